#include "display/MessageStrip.h"

#include "display/GlyphFont.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight::display;

// The strip as rows of '#' and '.', row 1 first, so that expectations read like the font.
// Characters without a glyph (outside the font, outside plain ASCII) reserve four dark columns;
// an empty strip is one dark column.
TEST(MessageStrip, LaysTheGlyphsSideBySideAsColumns) {
    const struct {
        std::string text;
        std::vector<std::string> rows;
    } rows[] = {
        { "a", { "####", "#..#", "#..#", "####", "#..#", "#..#", "#..#" } },
        { "hey!", { "#..######..#.#", "", "", "############.#" } },
        { " h e y ", { "", "", "", ".####.####.####." } },
        { "aA\xe9"
          "a",
          { "", "#..#........#..#" } },
        { "", { ".", ".", ".", ".", ".", ".", "." } },
        { " ", { ".", ".", ".", ".", ".", ".", "." } },
    };
    for (const auto& row : rows) {
        MessageStrip strip;
        strip.messagePointer = 3;
        strip.setupLetters(row.text.c_str());
        EXPECT_EQ(strip.messagePointer, 0) << "rebuilding puts the cursor back";
        for (std::size_t r = 0; r < row.rows.size(); ++r) {
            if (row.rows[r].empty())
                continue;
            std::string shown;
            for (int column = 0; column < strip.messageLength(); ++column)
                shown += strip.column(column)[r] ? '#' : '.';
            EXPECT_EQ(shown, row.rows[r]) << "'" << row.text << "' row " << r;
        }
    }
    EXPECT_EQ(MessageStrip().messageLength(), 1);
}

TEST(MessageStrip, EveryFontCharacterHasAGlyphAndNothingElseDoes) {
    const std::string font = " !*-.0123456789:?abcdefghijklmnopqrstuvwxyz";
    for (int c = -128; c < 128; ++c) {
        const bool inFont = c > 0 && font.find(static_cast<char>(c)) != std::string::npos;
        EXPECT_EQ(getPointerForChar(static_cast<signed char>(c)) != nullptr, inFont) << c;
        if (!inFont) {
            EXPECT_EQ(getCharSize(static_cast<signed char>(c)), 4) << c;
        }
    }
}
