// Ending the run from outside the window, on the desktop: signals and the session's end.
#pragma once

class QWidget;

namespace velmora {

// Ends the run as closing `window` does (download stopped, this run's pages deleted when the
// setting says so), then the event loop, when the process gets SIGTERM, SIGINT or SIGHUP,
// when the session manager ends the session, or when the loop is told to quit otherwise.
// A second signal of the same kind ends the process at once.
void CloseOnQuitRequests(QWidget& window);

}  // namespace velmora
