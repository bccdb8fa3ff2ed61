#include "display/MessageStrip.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight::display;

// The strip as rows of '#' and '.', row 1 first, so that expectations read like the font.
// Characters without a glyph (outside the font, outside plain ASCII: a negative char) reserve
// four dark columns; an empty strip is one dark column.
TEST(MessageStrip, LaysTheGlyphsSideBySideAsColumns) {
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        { "a", { "####", "#..#", "#..#", "####", "#..#", "#..#", "#..#" } },
        { " h e y ", { "", "", "", ".####.####.####." } },
        { "aA\xe9"
          "a",
          { "", "#..#........#..#" } },
        { "", { ".", ".", ".", ".", ".", ".", "." } },
    };
    for (const auto& [text, expected] : rows) {
        MessageStrip strip;
        strip.messagePointer = 3;
        strip.setupLetters(text.c_str());
        EXPECT_EQ(strip.messagePointer, 0) << "rebuilding puts the cursor back";
        for (std::size_t r = 0; r < expected.size(); ++r) {
            if (expected[r].empty())
                continue;
            std::string shown;
            for (int column = 0; column < strip.messageLength(); ++column)
                shown += strip.column(column)[r] ? '#' : '.';
            EXPECT_EQ(shown, expected[r]) << "'" << text << "' row " << r;
        }
    }
}
