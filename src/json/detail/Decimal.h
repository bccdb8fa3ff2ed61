#pragma once

// Reading decimal numbers; not part of the reader's interface. The usual short numbers are read
// here, inline where they are scanned; the rest by the general conversion.

#include <bit>
#include <cstdint>
#include <cstring>

namespace sweeplight::json::detail {

inline bool isDecimalDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Adds the digits at `p` to `value` (which wraps around beyond 19 digits); past the last digit.
[[gnu::always_inline]] inline const unsigned char*
readDigits(const unsigned char* p, const unsigned char* end, std::uint64_t& value) {
    if constexpr (std::endian::native == std::endian::little) {
        static constexpr std::uint64_t kScales[] = { 1,      10,      100,      1000,     10000,
                                                     100000, 1000000, 10000000, 100000000 };
        // Eight bytes at a time: whole runs of eight digits, then the digits that start the
        // last word, all converted together, as numbers seldom end on a word's boundary.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            // Digits become their values 0 to 9; a byte is no digit when it is above 9 then
            // (the high bit is kept apart, so that no byte carries into the next).
            word ^= 0x3030303030303030ULL;
            const std::uint64_t notDigits =
                (word | ((word & 0x7F7F7F7F7F7F7F7FULL) + 0x7676767676767676ULL)) &
                0x8080808080808080ULL;
            const int count = notDigits ? std::countr_zero(notDigits) / 8 : 8;
            if (count == 0)
                return p;
            // The digits move up to the high bytes, the first one stays the most significant
            // and the bytes below them read as leading zeros.
            if (count < 8)
                word <<= 8 * (8 - count);
            word = word * 10 + (word >> 8);
            word = (((word & 0x000000FF000000FFULL) * 0x000F424000000064ULL) +
                    (((word >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL)) >>
                   32;
            value = value * kScales[count] + static_cast<std::uint32_t>(word);
            p += count;
            if (count < 8)
                return p;
        }
    }
    for (; p < end && isDecimalDigit(*p); ++p)
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    return p;
}

enum class SimpleDecimal {
    // Read, and its value is exact.
    kExact,
    // A whole number of the plain form, but too long or too far out for the quick way: the
    // general conversion of just its bytes gives what it would give for the longer run.
    kConvert,
    // Something else (a leading point, a point without digits after it, ...).
    kOther,
};

// The number at `p` if it is plain: a minus sign, digits with or without a fraction, and an
// exponent without a plus sign. When it has at most 19 digits and a small exponent, its value
// comes exactly from one multiplication or division by a power of ten (both exact and
// correctly rounded, as the general conversion is). Moves `p` past what it read, unless other.
inline SimpleDecimal readSimpleDecimal(const unsigned char*& p, const unsigned char* end,
                                       double& value) {
    static constexpr double kPowersOfTen[] = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
    const unsigned char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative)
        ++q;
    std::uint64_t mantissa = 0;
    int exponent = 0;
    const unsigned char* digitsStart = q;
    q = readDigits(q, end, mantissa);
    if (q == digitsStart)
        return SimpleDecimal::kOther;
    auto digits = q - digitsStart;
    if (q < end && *q == '.') {
        const unsigned char* fractionStart = ++q;
        q = readDigits(q, end, mantissa);
        if (q == fractionStart)
            return SimpleDecimal::kOther;
        digits += q - fractionStart;
        exponent = -static_cast<int>(q - fractionStart);
    }
    // More digits may not fit the mantissa (leading zeros are counted too, and go the long way).
    bool exact = digits <= 19;
    if (q < end && (*q == 'e' || *q == 'E')) {
        const unsigned char* e = q + 1;
        const bool negativeExponent = e < end && *e == '-';
        if (negativeExponent)
            ++e;
        // An exponent without digits is not part of the number.
        if (e < end && isDecimalDigit(*e)) {
            int written = 0;
            const unsigned char* exponentStart = e;
            for (; e < end && isDecimalDigit(*e); ++e)
                if (written < 100000)
                    written = written * 10 + (*e - '0');
            if (e - exponentStart > 4)
                exact = false;
            exponent += negativeExponent ? -written : written;
            q = e;
        }
    }
    if (!exact || mantissa > (std::uint64_t { 1 } << 53) || exponent < -22 || exponent > 22) {
        p = q;
        return SimpleDecimal::kConvert;
    }
    const double m = static_cast<double>(mantissa);
    value = exponent < 0 ? m / kPowersOfTen[-exponent] : m * kPowersOfTen[exponent];
    if (negative)
        value = -value;
    p = q;
    return SimpleDecimal::kExact;
}

// The longest valid prefix of [begin, end) as a decimal number, correctly rounded; 0 when there
// is none, +-infinity beyond the range of a double.
double readDecimal(const unsigned char* begin, const unsigned char* end);

} // namespace sweeplight::json::detail
