#include "RenderSession.h"
#include "display/WaveDisplay.h"
#include "motion/AirView.h"

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <vector>

using sweeplight::render::RenderSession;

namespace {

bool isLit(QRgb pixel) {
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 60;
}

std::vector<bool> stripRows(const sweeplight::display::MessageStrip& strip, int column) {
    return std::vector<bool>(strip.column(column), strip.column(column) + 7);
}

RenderSession::Options rainbowSwing(const QString& typed) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage(typed);
    options.rainbow = true;
    options.swing.frequency = 2;
    options.swing.peakAcceleration = 1.5;
    options.seconds = 1.6;
    options.airScale = 1;
    return options;
}

} // namespace

// An onlooker must read the message left to right, letter for letter, whichever way the phone
// sweeps: the forward sweep writes the first column at the left end, the backward sweep the
// last column at the right end. Each bar of light is identified by its rainbow hue (column k of
// n has hue k / n) and its seven LED rows are checked against the strip.
TEST(OnlookerExposure, AMessageReadsInOrderInBothSwingDirections) {
    for (int halfSwing : { 2, 3 }) {
        SCOPED_TRACE("half-swing " + std::to_string(halfSwing));
        std::string error;
        auto session = RenderSession::create(rainbowSwing("abc"), error);
        ASSERT_NE(session, nullptr) << error;
        std::set<bool> directions;
        session->run([&](const RenderSession::Frame& frame) {
            if (frame.halfSwing == halfSwing)
                directions.insert(frame.forwards);
            return frame.halfSwing == halfSwing;
        });
        EXPECT_EQ(directions, std::set<bool> { halfSwing == 2 });

        const auto& strip = session->display().strip();
        const int length = strip.messageLength();
        std::vector<int> litColumns;
        for (int column = 0; column < length; ++column)
            if (stripRows(strip, column) != std::vector<bool>(7, false))
                litColumns.push_back(column);

        const QImage& image = session->exposure();
        std::vector<int> rowCentres;
        for (int row = 0; row < 7; ++row)
            rowCentres.push_back(static_cast<int>(
                std::lround(session->airView().imagePoint(0, QPointF(160, 35 + 70 * row)).y())));
        auto columnIsLit = [&](int x) {
            return std::any_of(rowCentres.begin(), rowCentres.end(),
                               [&](int y) { return isLit(image.pixel(x, y)); });
        };
        std::vector<int> seen;
        for (int x = 0; x < image.width(); ++x) {
            if (!columnIsLit(x))
                continue;
            int right = x;
            while (right + 1 < image.width() && columnIsLit(right + 1))
                ++right;
            const int middle = (x + right) / 2;
            std::vector<bool> rows;
            double hue = -1;
            for (int y : rowCentres) {
                rows.push_back(isLit(image.pixel(middle, y)));
                if (rows.back())
                    hue = QColor(image.pixel(middle, y)).hueF();
            }
            seen.push_back(static_cast<int>(std::lround(hue * length)) % length);
            EXPECT_EQ(rows, stripRows(strip, seen.back())) << "bar at x " << x;
            x = right;
        }
        EXPECT_EQ(seen, litColumns);
    }
}

// The single frame of a column is the screen as the user sees it: top row first.
TEST(OnlookerExposure, AColumnFrameShowsTheScreenTopRowFirst) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage("l");
    std::string error;
    auto session = RenderSession::create(options, error);
    ASSERT_NE(session, nullptr) << error;
    // Column 2 of " l " is the foot of the l, lit in the bottom row only. That LED is centred
    // 455 pixels from the top, so it covers the screen's rows 420 to 479.
    auto frame = session->drawColumn(2, error);
    ASSERT_TRUE(frame.has_value()) << error;
    std::vector<int> lit;
    for (int y = 0; y < frame->height(); ++y)
        if (isLit(frame->pixel(153, y)))
            lit.push_back(y);
    ASSERT_FALSE(lit.empty());
    EXPECT_EQ(lit.front(), 420);
    EXPECT_EQ(lit.back(), 479);
}
