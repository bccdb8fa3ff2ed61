#pragma once

#include <cstdint>

namespace sweeplight::display {

// Rows of every glyph and bytes of every strip column.
inline constexpr int letterHeight = 7;

// The glyph of `c`: width x letterHeight bytes, row-major (row r, column c at r * width + c),
// 1 for a lit LED. Null for every character outside the font (upper case, bytes with the high
// bit set, ...); such a character must never be read.
const std::uint8_t* getPointerForChar(signed char c);

// Width of `c` in columns. Characters without a glyph still count 4, the default width.
int getCharSize(signed char c);

} // namespace sweeplight::display
