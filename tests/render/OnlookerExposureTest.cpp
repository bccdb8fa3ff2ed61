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

// One bar of light in the exposure: the strip column it shows (read from its rainbow hue) and
// which of the seven LED rows it lights.
struct Bar {
    int left { 0 };
    int right { 0 };
    int column { -1 };
    std::vector<bool> rows;
};

bool isLit(QRgb pixel) {
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 60;
}

std::vector<int> ledRowCentres(const RenderSession& session) {
    std::vector<int> centres;
    for (int row = 0; row < 7; ++row)
        centres.push_back(static_cast<int>(
            std::lround(session.airView().imagePoint(0, QPointF(160, 35 + 70 * row)).y())));
    return centres;
}

std::vector<Bar> barsLeftToRight(const RenderSession& session, int messageLength) {
    const QImage& image = session.exposure();
    std::vector<int> rowCentres = ledRowCentres(session);
    auto columnIsLit = [&](int x) {
        return std::any_of(rowCentres.begin(), rowCentres.end(),
                           [&](int y) { return isLit(image.pixel(x, y)); });
    };
    std::vector<Bar> bars;
    for (int x = 0; x < image.width(); ++x) {
        if (!columnIsLit(x))
            continue;
        int right = x;
        while (right + 1 < image.width() && columnIsLit(right + 1))
            ++right;
        Bar bar { x, right, -1, {} };
        int middle = (x + right) / 2;
        double hue = -1;
        for (int y : rowCentres) {
            QRgb pixel = image.pixel(middle, y);
            bar.rows.push_back(isLit(pixel));
            if (isLit(pixel))
                hue = QColor(pixel).hueF();
        }
        // Rainbow hue of column k is k / messageLength.
        bar.column = static_cast<int>(std::lround(hue * messageLength)) % messageLength;
        bars.push_back(bar);
        x = right;
    }
    return bars;
}

std::vector<bool> stripRows(const sweeplight::display::MessageStrip& strip, int column) {
    std::vector<bool> rows;
    for (int row = 0; row < 7; ++row)
        rows.push_back(strip.column(column)[row] != 0);
    return rows;
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
// last column at the right end. Each bar of light is identified by its rainbow hue and checked
// against the strip.
TEST(OnlookerExposure, AMessageReadsInOrderInBothSwingDirections) {
    for (int halfSwing : { 2, 3 }) {
        SCOPED_TRACE("half-swing " + std::to_string(halfSwing));
        std::string error;
        auto session = RenderSession::create(rainbowSwing("abc"), error);
        ASSERT_NE(session, nullptr) << error;
        bool sawDirection = false;
        bool forwards = true;
        session->run([&](const RenderSession::Frame& frame) {
            if (frame.halfSwing != halfSwing)
                return false;
            sawDirection = true;
            forwards = frame.forwards;
            return true;
        });
        ASSERT_TRUE(sawDirection);
        EXPECT_EQ(forwards, halfSwing == 2);

        const auto& strip = session->display().strip();
        std::vector<int> litColumns;
        for (int column = 0; column < strip.messageLength(); ++column) {
            if (std::any_of(strip.column(column), strip.column(column) + 7,
                            [](auto byte) { return byte != 0; }))
                litColumns.push_back(column);
        }
        std::vector<Bar> bars = barsLeftToRight(*session, strip.messageLength());
        std::vector<int> seen;
        for (const Bar& bar : bars) {
            seen.push_back(bar.column);
            EXPECT_EQ(bar.rows, stripRows(strip, bar.column))
                << "bar at x " << bar.left << " shows column " << bar.column;
        }
        EXPECT_EQ(seen, litColumns);
    }
}

TEST(OnlookerExposure, TheSameRunGivesTheSameFramesAndPicture) {
    std::string error;
    auto first = RenderSession::create(rainbowSwing("hey"), error);
    auto second = RenderSession::create(rainbowSwing("hey"), error);
    ASSERT_NE(first, nullptr) << error;
    ASSERT_NE(second, nullptr) << error;
    first->run();
    second->run();
    EXPECT_EQ(first->framesCsv(), second->framesCsv());
    EXPECT_EQ(first->exposure(), second->exposure());
    // 1.6 s at 1/120 s.
    EXPECT_EQ(first->frames().size(), 192u);
}

// The single frame of a column is the screen as the user sees it: top row first.
TEST(OnlookerExposure, AColumnFrameShowsTheScreenTopRowFirst) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage("l");
    std::string error;
    auto session = RenderSession::create(options, error);
    ASSERT_NE(session, nullptr) << error;
    // " l " is 6 columns; column 2 is the foot of the l, lit in the bottom row only. That LED is
    // centred 455 pixels from the top, so it covers the screen's rows 420 to 479.
    auto frame = session->drawColumn(2, error);
    ASSERT_TRUE(frame.has_value()) << error;
    ASSERT_EQ(frame->size(), QSize(320, 480));
    int lowestLit = -1;
    int highestLit = 480;
    for (int y = 0; y < 480; ++y) {
        if (isLit(frame->pixel(153, y))) {
            lowestLit = std::max(lowestLit, y);
            highestLit = std::min(highestLit, y);
        }
    }
    EXPECT_EQ(highestLit, 420);
    EXPECT_EQ(lowestLit, 479);
    for (int outside : { -1, 6 }) {
        EXPECT_FALSE(session->drawColumn(outside, error).has_value());
        EXPECT_EQ(error, "column " + std::to_string(outside) + " is outside the strip (0 to 5)");
    }
}
