#include "json/DataScanner.h"

#include "json/detail/Decimal.h"
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

double detail::readDecimal(const unsigned char* begin, const unsigned char* end) {

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

bool DataScanner::scanGeneralNumber(double* number) {
    const unsigned char* runStart = current;
    while (current < end && isDoubleCharacter_[*current])
        ++current;
    if (current == runStart)
        return false;
    if (number)
        *number = detail::readDecimal(runStart, current);
    return true;
}

std::optional<std::string> DataScanner::remainingString() const {
    if (!detail::isValidUTF8(current, end))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(current),
                       static_cast<std::size_t>(end - current));
}

} // namespace sweeplight::json
