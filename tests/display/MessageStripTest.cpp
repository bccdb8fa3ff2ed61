#include "display/MessageStrip.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight::display;

// The strip as rows of '#' and '.', row 1 first, so that expectations read like the font.
// Characters without a glyph (outside the font, outside plain ASCII: a negative char) reserve
// four dark columns; an empty strip is one dark column.
TEST(MessageStrip, LaysTheGlyphsSideBySideAsColumns) {
    const struct {
        std::string text;
        std::vector<std::string> rows;
    } rows[] = {
        { "a", { "####", "#..#", "#..#", "####", "#..#", "#..#", "#..#" } },
        { " h e y ", { "", "", "", ".####.####.####." } },
        { "aA\xe9"
          "a",
          { "", "#..#........#..#" } },
        { "", { ".", ".", ".", ".", ".", ".", "." } },
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
}
