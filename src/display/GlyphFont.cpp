#include "GlyphFont.h"

namespace sweeplight::display {

namespace {

// Each glyph row-major, top row first; the comment shows the row as drawn.
constexpr std::uint8_t l_space[] = {
    0, // .
    0, // .
    0, // .
    0, // .
    0, // .
    0, // .
    0, // .
};
constexpr std::uint8_t l_suprise[] = {
    0, 1, // .#
    0, 1, // .#
    0, 1, // .#
    0, 1, // .#
    0, 1, // .#
    0, 0, // ..
    0, 1, // .#
};
constexpr std::uint8_t l_asterisk[] = {
    1, 0, 1, 0, 1, // #.#.#
    0, 1, 1, 1, 0, // .###.
    0, 0, 1, 0, 0, // ..#..
    1, 1, 1, 1, 1, // #####
    0, 1, 1, 1, 0, // .###.
    1, 0, 1, 0, 1, // #.#.#
    0, 0, 1, 0, 0, // ..#..
};
constexpr std::uint8_t l_dash[] = {
    0, 0, 0, 0, // ....
    0, 0, 0, 0, // ....
    0, 0, 0, 0, // ....
    0, 1, 1, 1, // .###
    0, 0, 0, 0, // ....
    0, 0, 0, 0, // ....
    0, 0, 0, 0, // ....
};
constexpr std::uint8_t l_dot[] = {
    0, 0, // ..
    0, 0, // ..
    0, 0, // ..
    0, 0, // ..
    0, 0, // ..
    0, 1, // .#
    0, 1, // .#
};
constexpr std::uint8_t l_0[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    0, 1, 1, 0, // .##.
};
constexpr std::uint8_t l_1[] = {
    0, 0, 1, 0, // ..#.
    0, 1, 1, 0, // .##.
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
    0, 1, 1, 1, // .###
};
constexpr std::uint8_t l_2[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    0, 0, 0, 1, // ...#
    0, 0, 1, 0, // ..#.
    0, 1, 0, 0, // .#..
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_3[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    0, 0, 0, 1, // ...#
    1, 1, 1, 0, // ###.
    0, 0, 0, 1, // ...#
    1, 0, 0, 1, // #..#
    0, 1, 1, 0, // .##.
};
constexpr std::uint8_t l_4[] = {
    1, 0, 1, 0, // #.#.
    1, 0, 1, 0, // #.#.
    1, 0, 1, 0, // #.#.
    1, 1, 1, 1, // ####
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
};
constexpr std::uint8_t l_5[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_6[] = {
    0, 0, 1, 1, // ..##
    0, 1, 0, 0, // .#..
    1, 0, 0, 0, // #...
    1, 1, 1, 0, // ###.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    0, 1, 1, 1, // .###
};
constexpr std::uint8_t l_7[] = {
    1, 1, 1, 1, // ####
    0, 0, 0, 1, // ...#
    0, 0, 1, 0, // ..#.
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
};
constexpr std::uint8_t l_8[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_9[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    0, 1, 1, 1, // .###
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
};
constexpr std::uint8_t l_colon[] = {
    0, 0, // ..
    0, 1, // .#
    0, 0, // ..
    0, 0, // ..
    0, 1, // .#
    0, 0, // ..
    0, 0, // ..
};
constexpr std::uint8_t l_question[] = {
    0, 1, 1, 1, // .###
    1, 0, 0, 1, // #..#
    0, 0, 0, 1, // ...#
    0, 0, 1, 0, // ..#.
    0, 0, 1, 0, // ..#.
    0, 0, 0, 0, // ....
    0, 0, 1, 0, // ..#.
};
constexpr std::uint8_t l_a[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
};
constexpr std::uint8_t l_b[] = {
    1, 1, 1, 0, // ###.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 0, // ###.
};
constexpr std::uint8_t l_c[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_d[] = {
    1, 1, 1, 0, // ###.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 0, // ###.
};
constexpr std::uint8_t l_e[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_f[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 0, // ###.
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
};
constexpr std::uint8_t l_g[] = {
    1, 1, 1, 1, // ####
    1, 0, 0, 1, // #..#
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 1, 1, // #.##
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_h[] = {
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
};
constexpr std::uint8_t l_i[] = {
    1, 1, 1, 0, // ###.
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    0, 1, 0, 0, // .#..
    1, 1, 1, 0, // ###.
};
constexpr std::uint8_t l_j[] = {
    0, 0, 0, 1, // ...#
    0, 0, 0, 0, // ....
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_k[] = {
    1, 0, 0, 0, // #...
    1, 0, 0, 1, // #..#
    1, 0, 1, 0, // #.#.
    1, 1, 0, 0, // ##..
    1, 1, 0, 0, // ##..
    1, 0, 1, 0, // #.#.
    1, 0, 0, 1, // #..#
};
constexpr std::uint8_t l_l[] = {
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_m[] = {
    1, 0, 0, 0, 1, // #...#
    1, 1, 0, 1, 1, // ##.##
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
};
constexpr std::uint8_t l_n[] = {
    1, 0, 0, 0, 1, // #...#
    1, 1, 0, 0, 1, // ##..#
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 0, 1, 1, // #..##
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
};
constexpr std::uint8_t l_o[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    0, 1, 1, 0, // .##.
};
constexpr std::uint8_t l_p[] = {
    0, 1, 1, 0, // .##.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 0, // ###.
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    0, 0, 0, 0, // ....
};
constexpr std::uint8_t l_q[] = {
    0, 1, 1, 1, 0, // .###.
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 0, 1, 0, // #..#.
    0, 1, 1, 0, 1, // .##.#
};
constexpr std::uint8_t l_r[] = {
    1, 1, 1, 0, // ###.
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 0, // ###.
    1, 1, 0, 0, // ##..
    1, 0, 1, 0, // #.#.
    1, 0, 0, 1, // #..#
};
constexpr std::uint8_t l_s[] = {
    0, 1, 1, 1, // .###
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_t[] = {
    1, 1, 1, 1, 1, // #####
    0, 0, 1, 0, 0, // ..#..
    0, 0, 1, 0, 0, // ..#..
    0, 0, 1, 0, 0, // ..#..
    0, 0, 1, 0, 0, // ..#..
    0, 0, 1, 0, 0, // ..#..
    0, 0, 1, 0, 0, // ..#..
};
constexpr std::uint8_t l_u[] = {
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_v[] = {
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    0, 1, 0, 0, 1, // .#..#
    0, 0, 1, 0, 1, // ..#.#
    0, 0, 0, 1, 0, // ...#.
};
constexpr std::uint8_t l_w[] = {
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 1, 0, 1, // #.#.#
    1, 0, 1, 0, 1, // #.#.#
    1, 1, 0, 1, 1, // ##.##
    1, 0, 0, 0, 1, // #...#
};
constexpr std::uint8_t l_x[] = {
    1, 0, 0, 0, 1, // #...#
    0, 1, 0, 1, 0, // .#.#.
    0, 0, 1, 0, 0, // ..#..
    0, 1, 0, 1, 0, // .#.#.
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
    1, 0, 0, 0, 1, // #...#
};
constexpr std::uint8_t l_y[] = {
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 0, 0, 1, // #..#
    1, 1, 1, 1, // ####
    0, 0, 0, 1, // ...#
    0, 0, 0, 1, // ...#
    1, 1, 1, 1, // ####
};
constexpr std::uint8_t l_z[] = {
    1, 1, 1, 1, // ####
    0, 0, 0, 1, // ...#
    0, 0, 1, 0, // ..#.
    0, 1, 0, 0, // .#..
    1, 0, 0, 0, // #...
    1, 0, 0, 0, // #...
    1, 1, 1, 1, // ####
};

struct GlyphEntry {
    char character;
    const std::uint8_t* glyph;
    int width;
};

constexpr GlyphEntry kGlyphs[] = {
    { ' ', l_space, 1 },    { '!', l_suprise, 2 }, { '*', l_asterisk, 5 }, { '-', l_dash, 4 },
    { '.', l_dot, 2 },      { '0', l_0, 4 },       { '1', l_1, 4 },        { '2', l_2, 4 },
    { '3', l_3, 4 },        { '4', l_4, 4 },       { '5', l_5, 4 },        { '6', l_6, 4 },
    { '7', l_7, 4 },        { '8', l_8, 4 },       { '9', l_9, 4 },        { ':', l_colon, 2 },
    { '?', l_question, 4 }, { 'a', l_a, 4 },       { 'b', l_b, 4 },        { 'c', l_c, 4 },
    { 'd', l_d, 4 },        { 'e', l_e, 4 },       { 'f', l_f, 4 },        { 'g', l_g, 4 },
    { 'h', l_h, 4 },        { 'i', l_i, 4 },       { 'j', l_j, 4 },        { 'k', l_k, 4 },
    { 'l', l_l, 4 },        { 'm', l_m, 5 },       { 'n', l_n, 5 },        { 'o', l_o, 4 },
    { 'p', l_p, 4 },        { 'q', l_q, 5 },       { 'r', l_r, 4 },        { 's', l_s, 4 },
    { 't', l_t, 5 },        { 'u', l_u, 4 },       { 'v', l_v, 5 },        { 'w', l_w, 5 },
    { 'x', l_x, 5 },        { 'y', l_y, 4 },       { 'z', l_z, 4 },
};

// Every glyph holds exactly width x letterHeight bytes.
static_assert(sizeof(l_space) == 1 * letterHeight);
static_assert(sizeof(l_suprise) == 2 * letterHeight);
static_assert(sizeof(l_asterisk) == 5 * letterHeight);
static_assert(sizeof(l_dash) == 4 * letterHeight);
static_assert(sizeof(l_dot) == 2 * letterHeight);
static_assert(sizeof(l_0) == 4 * letterHeight);
static_assert(sizeof(l_1) == 4 * letterHeight);
static_assert(sizeof(l_2) == 4 * letterHeight);
static_assert(sizeof(l_3) == 4 * letterHeight);
static_assert(sizeof(l_4) == 4 * letterHeight);
static_assert(sizeof(l_5) == 4 * letterHeight);
static_assert(sizeof(l_6) == 4 * letterHeight);
static_assert(sizeof(l_7) == 4 * letterHeight);
static_assert(sizeof(l_8) == 4 * letterHeight);
static_assert(sizeof(l_9) == 4 * letterHeight);
static_assert(sizeof(l_colon) == 2 * letterHeight);
static_assert(sizeof(l_question) == 4 * letterHeight);
static_assert(sizeof(l_a) == 4 * letterHeight);
static_assert(sizeof(l_b) == 4 * letterHeight);
static_assert(sizeof(l_c) == 4 * letterHeight);
static_assert(sizeof(l_d) == 4 * letterHeight);
static_assert(sizeof(l_e) == 4 * letterHeight);
static_assert(sizeof(l_f) == 4 * letterHeight);
static_assert(sizeof(l_g) == 4 * letterHeight);
static_assert(sizeof(l_h) == 4 * letterHeight);
static_assert(sizeof(l_i) == 4 * letterHeight);
static_assert(sizeof(l_j) == 4 * letterHeight);
static_assert(sizeof(l_k) == 4 * letterHeight);
static_assert(sizeof(l_l) == 4 * letterHeight);
static_assert(sizeof(l_m) == 5 * letterHeight);
static_assert(sizeof(l_n) == 5 * letterHeight);
static_assert(sizeof(l_o) == 4 * letterHeight);
static_assert(sizeof(l_p) == 4 * letterHeight);
static_assert(sizeof(l_q) == 5 * letterHeight);
static_assert(sizeof(l_r) == 4 * letterHeight);
static_assert(sizeof(l_s) == 4 * letterHeight);
static_assert(sizeof(l_t) == 5 * letterHeight);
static_assert(sizeof(l_u) == 4 * letterHeight);
static_assert(sizeof(l_v) == 5 * letterHeight);
static_assert(sizeof(l_w) == 5 * letterHeight);
static_assert(sizeof(l_x) == 5 * letterHeight);
static_assert(sizeof(l_y) == 4 * letterHeight);
static_assert(sizeof(l_z) == 4 * letterHeight);

const GlyphEntry* findGlyph(signed char c) {
    for (const GlyphEntry& entry : kGlyphs) {
        if (entry.character == c)
            return &entry;
    }
    return nullptr;
}

} // namespace

const std::uint8_t* getPointerForChar(signed char c) {
    const GlyphEntry* entry = findGlyph(c);
    return entry ? entry->glyph : nullptr;
}

int getCharSize(signed char c) {
    const GlyphEntry* entry = findGlyph(c);
    return entry ? entry->width : 4;
}

} // namespace sweeplight::display
