#include "WidgetTestSupport.h"

#include "display/GlyphFont.h"
#include "display/MessageStrip.h"

#include <algorithm>
#include <cmath>

namespace sweeplight::app::test {

std::string rgb(const QColor& color) {
    auto component = [](float value) {
        return std::to_string(std::lround(value * 1000) / 1000.0).substr(0, 5);
    };
    return component(color.redF()) + "," + component(color.greenF()) + "," +
           component(color.blueF());
}

int fullestColumn(const display::MessageStrip& strip) {
    const auto lit = [&](int column) {
        return std::count_if(strip.column(column), strip.column(column) + display::letterHeight,
                             [](std::uint8_t led) { return led != 0; });
    };
    int fullest = 0;
    for (int column = 1; column < strip.messageLength(); ++column)
        if (lit(column) > lit(fullest))
            fullest = column;
    return fullest;
}

} // namespace sweeplight::app::test
