#pragma once

#include <QIcon>

namespace rotopal::qt {

// The program's icon, drawn at 16, 32 and 48 pixels: a wheel of sixteen palette colours.
QIcon AppIcon();

}  // namespace rotopal::qt
