#include "json/detail/UTF8.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace sweeplight::json::detail {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Length of the well-formed sequence at `p`, or minus the length of its maximal ill-formed
// prefix (at least 1). `p` points at a byte of 0x80 or above.
int sequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    int continuationCount = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuationCount = 1;
    } else if (lead == 0xE0) {
        continuationCount = 2;
        low = 0xA0;
    } else if (lead == 0xED) {
        // U+D800 to U+DFFF are surrogates, which UTF-8 must not carry.
        continuationCount = 2;
        high = 0x9F;
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        continuationCount = 2;
    } else if (lead == 0xF0) {
        continuationCount = 3;
        low = 0x90;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        continuationCount = 3;
    } else if (lead == 0xF4) {
        continuationCount = 3;
        high = 0x8F;
    } else {
        return -1;
    }
    for (int i = 1; i <= continuationCount; ++i) {
        if (end - p <= i)
            return -i;
        const unsigned char byte = p[i];
        const unsigned char min = i == 1 ? low : 0x80;
        const unsigned char max = i == 1 ? high : 0xBF;
        if (byte < min || byte > max)
            return -i;
    }
    return continuationCount + 1;
}

const unsigned char* skipASCII(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & kHighBits)
            break;
        p += 8;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

bool isSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

} // namespace

void appendCodePoint(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

namespace {

// Walks [begin, end) as UTF-8, handing `copy` each run of bytes that stays as it is and calling
// `replace` for each broken sequence, which becomes one replacement character.
template <typename Copy, typename Replace>
void forEachLenientPiece(const unsigned char* begin, const unsigned char* end, Copy copy,
                         Replace replace) {
    const unsigned char* copied = begin;
    const unsigned char* p = begin;
    for (;;) {
        p = skipASCII(p, end);
        if (p == end)
            break;
        const int length = sequenceLength(p, end);
        if (length > 0) {
            p += length;
            continue;
        }
        copy(copied, p);
        replace();
        p -= length;
        copied = p;
    }
    copy(copied, end);
}

} // namespace

unsigned char* decodeUTF8Leniently(unsigned char* out, const unsigned char* begin,
                                   const unsigned char* end) {
    forEachLenientPiece(
        begin, end,
        [&out](const unsigned char* from, const unsigned char* to) {
            std::memcpy(out, from, static_cast<std::size_t>(to - from));
            out += to - from;
        },
        [&out] { out = encodeCodePoint(out, kReplacementCharacter); });
    return out;
}

void appendUTF8Leniently(std::string& out, const unsigned char* begin, const unsigned char* end) {
    forEachLenientPiece(
        begin, end,
        [&out](const unsigned char* from, const unsigned char* to) {
            out.append(reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from));
        },
        [&out] { appendCodePoint(out, kReplacementCharacter); });
}

bool isValidUTF8(const unsigned char* begin, const unsigned char* end) {
    const unsigned char* p = begin;
    auto isContinuation = [](unsigned char byte) { return (byte & 0xC0) == 0x80; };
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & kHighBits) == 0) {
                p += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little)
                p += std::countr_zero(word & kHighBits) / 8;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        // Texts are short runs between escapes: the usual two- and three-byte sequences (those
        // whose continuation bytes may take any value) are checked here, the rest in full.
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && isContinuation(p[1])) {
            p += 2;
            continue;
        }
        if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && end - p >= 3 && isContinuation(p[1]) &&
            isContinuation(p[2])) {
            p += 3;
            continue;
        }
        const int length = sequenceLength(p, end);
        if (length < 0)
            return false;
        p += length;
    }
    return true;
}

bool convertUTF16ToUTF8(std::string_view bytes, bool bigEndian, std::string& out) {
    if (bytes.size() % 2 != 0)
        return false;
    out.clear();
    out.reserve(bytes.size());
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (!isSurrogate(unit)) {
            appendCodePoint(out, unit);
            continue;
        }
        if (unit >= 0xDC00 || i + 2 >= bytes.size())
            return false;
        const char32_t low = unitAt(i + 2);
        if (low < 0xDC00 || low > 0xDFFF)
            return false;
        appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
    }
    return true;
}

bool convertUTF32ToUTF8(std::string_view bytes, bool bigEndian, std::string& out) {
    if (bytes.size() % 4 != 0)
        return false;
    out.clear();
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        char32_t codePoint = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[i + (bigEndian ? k : 3 - k)]);
            codePoint = codePoint << 8 | byte;
        }
        if (codePoint > 0x10FFFF || isSurrogate(codePoint))
            return false;
        appendCodePoint(out, codePoint);
    }
    return true;
}

} // namespace sweeplight::json::detail
