#include "json/DataScanner.h"

#include "json/detail/UTF8.h"
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace sweeplight::json {

namespace {

constexpr char kDoubleCharacters[] = "0123456789eE-.";

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Length of the longest prefix of [begin, end) that reads as a decimal number:
// sign? digits* ('.' digits*)? with at least one digit, then (e|E) sign? digits+ if complete.
std::size_t decimalPrefixLength(const unsigned char* begin, const unsigned char* end) {
    const unsigned char* p = begin;
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    bool sawDigit = false;
    while (p < end && isDigit(*p)) {
        ++p;
        sawDigit = true;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            ++p;
            sawDigit = true;
        }
    }
    if (!sawDigit)
        return 0;
    const unsigned char* mantissaEnd = p;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '-' || *p == '+'))
            ++p;
        if (p == end || !isDigit(*p))
            return static_cast<std::size_t>(mantissaEnd - begin);
        while (p < end && isDigit(*p))
            ++p;
    }
    return static_cast<std::size_t>(p - begin);
}

// For a well-formed decimal that does not fit a double: whether it is too large (rather than
// too small), judged by the position of its first significant digit.
bool overflows(const char* begin, const char* end) {
    const char* p = begin;
    if (*p == '-' || *p == '+')
        ++p;
    long digitsBeforePoint = 0;
    long firstSignificant = -1;
    long index = 0;
    bool afterPoint = false;
    for (; p < end && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            afterPoint = true;
            continue;
        }
        if (!afterPoint)
            ++digitsBeforePoint;
        if (*p != '0' && firstSignificant < 0)
            firstSignificant = index;
        ++index;
    }
    if (firstSignificant < 0)
        return false;
    long exponent = 0;
    if (p < end) {
        ++p;
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        // Saturate: anything this far out is out of range either way.
        for (; p < end; ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 100000000L);
        if (negative)
            exponent = -exponent;
    }
    return exponent + digitsBeforePoint - firstSignificant - 1 > 0;
}

double readDecimal(const unsigned char* begin, const unsigned char* end) {
    // from_chars reads exactly the longest valid prefix, unless the text starts with a plus
    // sign (which it does not take), so the prefix need not be found first.
    if (*begin != '+') {
        const char* text = reinterpret_cast<const char*>(begin);
        double value = 0.0;
        const auto [parsedEnd, error] =
            std::from_chars(text, reinterpret_cast<const char*>(end), value);
        if (error == std::errc())
            return value;
        if (error != std::errc::result_out_of_range)
            return 0.0;
        value = overflows(text, parsedEnd) ? std::numeric_limits<double>::infinity() : 0.0;
        return *text == '-' ? -value : value;
    }
    const std::size_t length = decimalPrefixLength(begin, end);
    if (length == 0)
        return 0.0;
    const char* text = reinterpret_cast<const char*>(begin);
    const char* textEnd = text + length;
    const bool negative = *text == '-';
    // from_chars reads a minus sign but not a plus sign.
    if (*text == '+')
        ++text;
    double value = 0.0;
    const auto [parsedEnd, error] = std::from_chars(text, textEnd, value);
    if (error == std::errc::result_out_of_range) {
        value = overflows(text, textEnd) ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    if (error != std::errc() || parsedEnd != textEnd)
        return 0.0;
    return value;
}

// Adds the digits at `p` to `value` (which wraps around beyond 19 digits); past the last digit.
const unsigned char* readDigits(const unsigned char* p, const unsigned char* end,
                                std::uint64_t& value) {
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
    for (; p < end && isDigit(*p); ++p)
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
SimpleDecimal readSimpleDecimal(const unsigned char*& p, const unsigned char* end, double& value) {
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
        if (e < end && isDigit(*e)) {
            int written = 0;
            const unsigned char* exponentStart = e;
            for (; e < end && isDigit(*e); ++e)
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

// memcmp and memchr must not see a null pointer, even for zero bytes.
bool bytesMatch(const unsigned char* bytes, const char* expected, std::size_t count) {
    return count == 0 || std::memcmp(bytes, expected, count) == 0;
}

void appendDecoded(std::string* out, const unsigned char* begin, const unsigned char* end) {
    if (!out)
        return;
    out->clear();
    detail::appendUTF8Leniently(*out, begin, end);
}

} // namespace

CharacterSet characterSetWithCharactersInString(std::string_view characters) {
    CharacterSet set;
    for (char c : characters)
        set.set(static_cast<unsigned char>(c));
    return set;
}

DataScanner::DataScanner() {
    // Scanners are made per response: the usual set is worked out once.
    static const DataScanner usual(characterSetWithCharactersInString(kDoubleCharacters));
    doubleCharacters_ = usual.doubleCharacters_;
    isDoubleCharacter_ = usual.isDoubleCharacter_;
    hasDefaultDoubleCharacters_ = true;
}

DataScanner::DataScanner(const CharacterSet& doubleCharacters) {
    setDoubleCharacters(doubleCharacters);
}

void DataScanner::setDoubleCharacters(const CharacterSet& characters) {
    doubleCharacters_ = characters;
    hasDefaultDoubleCharacters_ =
        characters == characterSetWithCharactersInString(kDoubleCharacters);
    for (std::size_t c = 0; c < isDoubleCharacter_.size(); ++c)
        isDoubleCharacter_[c] = characters[c];
}

DataScanner::~DataScanner() = default;

std::unique_ptr<DataScanner> DataScanner::scannerWithData(std::string_view data) {
    auto scanner = std::make_unique<DataScanner>();
    scanner->setData(data);
    return scanner;
}

void DataScanner::setData(std::string_view data) {
    if (data.data() == data_.data() && data.size() == data_.size())
        return;
    data_ = data;
    start = reinterpret_cast<const unsigned char*>(data.data());
    length = data.size();
    end = start + length;
    current = start;
}

bool DataScanner::scanUTF8String(const char* string, std::string* intoString) {
    const std::size_t stringLength = std::strlen(string);
    if (static_cast<std::size_t>(end - current) < stringLength ||
        !bytesMatch(current, string, stringLength))
        return false;
    current += stringLength;
    const auto* bytes = reinterpret_cast<const unsigned char*>(string);
    appendDecoded(intoString, bytes, bytes + stringLength);
    return true;
}

bool DataScanner::scanString(std::string_view string, std::string* intoString) {
    if (static_cast<std::size_t>(end - current) < string.size() ||
        !bytesMatch(current, string.data(), string.size()))
        return false;
    current += string.size();
    if (intoString)
        *intoString = string;
    return true;
}

bool DataScanner::scanCharactersFromSet(const CharacterSet& set, std::string* intoString) {
    const unsigned char* runStart = current;
    while (current < end && set[*current])
        ++current;
    if (current == runStart)
        return false;
    appendDecoded(intoString, runStart, current);
    return true;
}

bool DataScanner::scanUpToCharactersFromSet(const CharacterSet& set, std::string* intoString) {
    const unsigned char* runStart = current;
    while (current < end && !set[*current])
        ++current;
    if (current == runStart)
        return false;
    appendDecoded(intoString, runStart, current);
    return true;
}

bool DataScanner::scanUpToString(std::string_view string, std::string* intoString) {
    const auto remaining = static_cast<std::size_t>(end - current);
    const void* zero = remaining == 0 ? nullptr : std::memchr(current, 0, remaining);
    const std::size_t searchLength =
        zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - current)
             : remaining;
    const std::string_view haystack(reinterpret_cast<const char*>(current), searchLength);
    const std::size_t match = haystack.find(string);
    if (match == std::string_view::npos)
        return false;
    appendDecoded(intoString, current, current + match);
    current += match;
    return true;
}

bool DataScanner::scanNumber(double* number) {
    const unsigned char* runStart = current;
    if (hasDefaultDoubleCharacters_) {
        const unsigned char* p = current;
        double value = 0;
        // Everything it reads is in the run; the run may go on past the number.
        const SimpleDecimal kind = readSimpleDecimal(p, end, value);
        if (kind != SimpleDecimal::kOther) {
            if (kind == SimpleDecimal::kConvert)
                value = readDecimal(runStart, p);
            while (p < end && isDoubleCharacter_[*p])
                ++p;
            current = p;
            if (number)
                *number = value;
            return true;
        }
    }
    while (current < end && isDoubleCharacter_[*current])
        ++current;
    if (current == runStart)
        return false;
    if (number)
        *number = readDecimal(runStart, current);
    return true;
}

std::optional<std::string> DataScanner::remainingString() const {
    if (!detail::isValidUTF8(current, end))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(current),
                       static_cast<std::size_t>(end - current));
}

} // namespace sweeplight::json
