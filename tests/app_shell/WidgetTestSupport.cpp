#include "WidgetTestSupport.h"

#include "display/GlyphFont.h"
#include "display/MessageStrip.h"

#include <cmath>

namespace sweeplight::app::test {

std::string rgb(const QColor& color) {
    auto component = [](float value) {
        return std::to_string(std::lround(value * 1000) / 1000.0).substr(0, 5);
    };
    return component(color.redF()) + "," + component(color.greenF()) + "," +
           component(color.blueF());
}

int litLEDs(const display::MessageStrip& strip, int column) {
    int lit = 0;
    for (int row = 0; row < display::letterHeight; ++row)
        lit += strip.column(column)[row] != 0;
    return lit;
}

int fullestColumn(const display::MessageStrip& strip) {
    int fullest = 0;
    for (int column = 1; column < strip.messageLength(); ++column)
        if (litLEDs(strip, column) > litLEDs(strip, fullest))
            fullest = column;
    return fullest;
}

} // namespace sweeplight::app::test
