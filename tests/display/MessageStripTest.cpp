#include "display/MessageStrip.h"

#include "display/GlyphFont.h"

#include <gtest/gtest.h>
#include <string>

using namespace sweeplight::display;

namespace {

// The strip as rows of '#' and '.', row 1 first, so that expectations read like the font.
std::string row(const MessageStrip& strip, int rowIndex) {
    std::string out;
    for (int column = 0; column < strip.messageLength(); ++column)
        out += strip.column(column)[rowIndex] ? '#' : '.';
    return out;
}

bool columnIsDark(const MessageStrip& strip, int column) {
    for (int r = 0; r < letterHeight; ++r) {
        if (strip.column(column)[r])
            return false;
    }
    return true;
}

} // namespace

TEST(MessageStrip, HeyBangLaysTheGlyphsSideBySide) {
    MessageStrip strip;
    strip.setupLetters("hey!");
    EXPECT_EQ(strip.messageLength(), 14);
    EXPECT_EQ(strip.bytes().size(), 98u);
    EXPECT_TRUE(columnIsDark(strip, 12));
    const std::uint8_t* bang = strip.column(13);
    const std::uint8_t expected[7] = { 1, 1, 1, 1, 1, 0, 1 };
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(bang[r] != 0, expected[r] != 0) << "row " << r;
    EXPECT_EQ(row(strip, 0), "#..######..#.#");
    EXPECT_EQ(row(strip, 3), "############.#");
}

TEST(MessageStrip, PaddedTextSeparatesLettersWithDarkColumns) {
    MessageStrip strip;
    strip.setupLetters(" h e y ");
    ASSERT_EQ(strip.messageLength(), 16);
    for (int dark : { 0, 5, 10, 15 })
        EXPECT_TRUE(columnIsDark(strip, dark)) << dark;
    EXPECT_EQ(row(strip, 3), ".####.####.####.");
}

TEST(MessageStrip, TransposesGlyphsIntoColumns) {
    MessageStrip strip;
    strip.setupLetters("a");
    ASSERT_EQ(strip.messageLength(), 4);
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(strip.column(0)[r], 1) << r;
        EXPECT_EQ(strip.column(3)[r], 1) << r;
        const int expectedMiddle = (r == 0 || r == 3) ? 1 : 0;
        EXPECT_EQ(strip.column(1)[r], expectedMiddle) << r;
        EXPECT_EQ(strip.column(2)[r], expectedMiddle) << r;
    }
}

TEST(MessageStrip, IsNeverEmpty) {
    MessageStrip strip;
    strip.setupLetters(" ");
    EXPECT_EQ(strip.messageLength(), 1);
    EXPECT_TRUE(columnIsDark(strip, 0));

    strip.setupLetters("");
    EXPECT_EQ(strip.messageLength(), 1);
    EXPECT_TRUE(columnIsDark(strip, 0));

    MessageStrip fresh;
    EXPECT_EQ(fresh.messageLength(), 1);
}

TEST(MessageStrip, CharactersWithoutGlyphReserveFourDarkColumns) {
    for (char c : { '/', 'A', static_cast<char>(0x80), static_cast<char>(0xFF) }) {
        EXPECT_EQ(getCharSize(c), 4) << int(c);
        EXPECT_EQ(getPointerForChar(c), nullptr) << int(c);
    }
    MessageStrip strip;
    const char text[] = { 'a', 'A', static_cast<char>(0xE9), 'a', 0 };
    strip.setupLetters(text);
    ASSERT_EQ(strip.messageLength(), 16);
    for (int column = 4; column < 12; ++column)
        EXPECT_TRUE(columnIsDark(strip, column)) << column;
    EXPECT_EQ(row(strip, 1), "#..#........#..#");
}

TEST(MessageStrip, EveryFontCharacterHasAGlyphAndNothingElseDoes) {
    const std::string font = " !*-.0123456789:?abcdefghijklmnopqrstuvwxyz";
    int glyphs = 0;
    for (int c = -128; c < 128; ++c) {
        const bool inFont = c > 0 && font.find(static_cast<char>(c)) != std::string::npos;
        EXPECT_EQ(getPointerForChar(static_cast<signed char>(c)) != nullptr, inFont) << c;
        glyphs += inFont;
    }
    EXPECT_EQ(glyphs, 43);
}

TEST(MessageStrip, RebuildingPutsTheCursorBackOnColumnZero) {
    MessageStrip strip;
    strip.setupLetters(" h e y ");
    strip.messagePointer = 9;
    strip.setupLetters("hey!");
    EXPECT_EQ(strip.messagePointer, 0);
}
