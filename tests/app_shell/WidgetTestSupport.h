#pragma once

#include "WidgetApplication.h"

#include <QColor>
#include <QString>
#include <string>

namespace sweeplight::display {
class MessageStrip;
}

namespace sweeplight::app::test {

// "r,g,b" with each component rounded to 3 decimals, so colours compare in test output.
std::string rgb(const QColor& color);

// The strip column with the most LEDs lit (the first of them), the one a screen check shows.
int fullestColumn(const display::MessageStrip& strip);

} // namespace sweeplight::app::test
