#include "RenderSession.h"
#include "display/WaveDisplay.h"
#include "motion/AirView.h"

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
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
// n has hue k / n); the bars' LED rows are the render tool's test's.
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
        std::vector<int> litColumns;
        for (int column = 0; column < length; ++column)
            if (std::any_of(strip.column(column), strip.column(column) + 7, std::identity {}))
                litColumns.push_back(column);

        const QImage& image = session->exposure();
        std::vector<int> rows; // the LED rows' centres in the picture
        for (int row = 0; row < 7; ++row)
            rows.push_back(static_cast<int>(
                std::lround(session->airView().imagePoint(0, QPointF(160, 35 + 70 * row)).y())));
        const auto litAt = [&](int x) -> std::optional<QRgb> {
            for (int y : rows)
                if (isLit(image.pixel(x, y)))
                    return image.pixel(x, y);
            return std::nullopt;
        };
        std::vector<int> seen;
        for (int x = 0; x < image.width(); ++x) {
            if (!litAt(x))
                continue;
            int right = x;
            while (right + 1 < image.width() && litAt(right + 1))
                ++right;
            const double hue = QColor(*litAt((x + right) / 2)).hueF();
            seen.push_back(static_cast<int>(std::lround(hue * length)) % length);
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
