// The Qt side of the desktop triggers: the clipboard's text and its change signal, and the
// key hook's reports taken from the event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/Clipboard.h"
#include "platform/KeyHook.h"

namespace velmora {

class TVelmoraForm;

// The CLIPBOARD selection's text; the primary selection (the mouse's) is never read.
class QtClipboard final : public Clipboard {
public:
    bool ReadText(std::u16string& text) override;
};

// Hands the clipboard's changes and the key hook's reports to the window's handlers while
// it lives.
class QtDesktopEvents : public QObject {
public:
    // `hook` has been started (FormCreate) when this is made.
    QtDesktopEvents(TVelmoraForm& form, KeyHook* hook);

private:
    std::unique_ptr<QSocketNotifier> keys_;
};

}  // namespace velmora
