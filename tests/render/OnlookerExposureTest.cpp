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

} // namespace

// An onlooker must read the message left to right, letter for letter, whichever way the phone
// sweeps: the forward sweep writes the first column at the left end, the backward sweep the
// last column at the right end. Each bar of light is identified by its rainbow hue (column k of
// n has hue k / n) and its seven LED rows are checked against the strip.
TEST(OnlookerExposure, AMessageReadsInOrderInBothSwingDirections) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage("abc");
    options.rainbow = true;
    options.swing.frequency = 2;
    options.swing.peakAcceleration = 1.5;
    options.seconds = 1.6;
    options.airScale = 1;
    for (int halfSwing : { 2, 3 }) {
        SCOPED_TRACE("half-swing " + std::to_string(halfSwing));
        std::string error;
        auto session = RenderSession::create(options, error);
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
        const auto stripRows = [&](int column) {
            return std::vector<bool>(strip.column(column), strip.column(column) + 7);
        };
        std::vector<int> litColumns;
        for (int column = 0; column < length; ++column)
            if (stripRows(column) != std::vector<bool>(7, false))
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
            std::vector<bool> rows;
            double hue = -1;
            for (int y : rowCentres) {
                const QRgb pixel = image.pixel((x + right) / 2, y);
                rows.push_back(isLit(pixel));
                hue = rows.back() ? QColor(pixel).hueF() : hue;
            }
            seen.push_back(static_cast<int>(std::lround(hue * length)) % length);
            EXPECT_EQ(rows, stripRows(seen.back())) << "bar at x " << x;
            x = right;
        }
        EXPECT_EQ(seen, litColumns);
    }
}

// A column's frame is the screen as the user sees it, top row first: column 2 of " l " is the
// foot of the l, lit in the bottom row only.
TEST(OnlookerExposure, AColumnFrameShowsTheScreenTopRowFirst) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage("l");
    std::string error;
    auto session = RenderSession::create(options, error);
    ASSERT_NE(session, nullptr) << error;
    auto frame = session->drawColumn(2, error);
    ASSERT_TRUE(frame.has_value()) << error;
    EXPECT_TRUE(isLit(frame->pixel(153, 460)));
    EXPECT_FALSE(isLit(frame->pixel(153, 400)));
}
