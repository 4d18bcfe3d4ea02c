// The look of the Qt views.
#pragma once

#include <QString>

namespace velmora {

// The visual style "Cyan Dusk", with the designed colours of single controls.
QString CyanDuskStyleSheet();

}  // namespace velmora
