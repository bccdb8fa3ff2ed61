#pragma once

// Text encoding helpers of the JSON reader; not part of its interface.

#include <string>
#include <string_view>

namespace sweeplight::json::detail {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

void appendCodePoint(std::string& out, char32_t codePoint);
// Writes the code point's UTF-8 form (at most 4 bytes) at `out`; one past its last byte.
inline unsigned char* encodeCodePoint(unsigned char* out, char32_t codePoint) {
    if (codePoint < 0x80) {
        *out++ = static_cast<unsigned char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
        *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
        *out++ = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
        *out++ = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// Appends the bytes as UTF-8 text. Valid sequences are copied as they are; each maximal
// ill-formed subsequence becomes one U+FFFD, the usual practice of Unicode decoders.
void appendUTF8Leniently(std::string& out, const unsigned char* begin, const unsigned char* end);

// The same, written at `out`, which has room for three bytes per input byte; one past the last
// byte written.
unsigned char* decodeUTF8Leniently(unsigned char* out, const unsigned char* begin,
                                   const unsigned char* end);

bool isValidUTF8(const unsigned char* begin, const unsigned char* end);

// Strict conversions: false (and `out` unspecified) for a length that is not a whole number
// of code units, an unpaired surrogate or a code point beyond U+10FFFF, since such text has
// no UTF-8 form.
bool convertUTF16ToUTF8(std::string_view bytes, bool bigEndian, std::string& out);
bool convertUTF32ToUTF8(std::string_view bytes, bool bigEndian, std::string& out);

} // namespace sweeplight::json::detail
