#pragma once

#include "json/detail/Decimal.h"
#include <array>
#include <bitset>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sweeplight::json {

// A set of characters as the scanner sees them: byte values 0 to 255.
using CharacterSet = std::bitset<256>;
CharacterSet characterSetWithCharactersInString(std::string_view characters);

// A cursor over a block of bytes. Each scan operation either consumes a run it recognises and
// returns true, or returns false and leaves the cursor where it was. A character is one byte:
// a multi-byte UTF-8 sequence is seen byte by byte; only the operations that hand out strings
// decode, always as UTF-8 (ill-formed bytes become U+FFFD).
//
// The bytes are borrowed, not copied: they must outlive the scanner, or the next setData().
// Output pointers may be null, in which case nothing is built for them.
class DataScanner {
public:
    DataScanner();
    virtual ~DataScanner();
    DataScanner(const DataScanner&) = delete;
    DataScanner& operator=(const DataScanner&) = delete;

    static std::unique_ptr<DataScanner> scannerWithData(std::string_view data);

    // Starts over at the first byte of `data`; a view of the very bytes already set changes
    // nothing. An empty view (or none) leaves the scanner at its end.
    virtual void setData(std::string_view data);
    std::string_view data() const { return data_; }

    std::size_t scanLocation() const { return static_cast<std::size_t>(current - start); }
    // Takes only offsets that scanLocation() returned for the current data.
    void setScanLocation(std::size_t location) { current = start + location; }
    bool isAtEnd() const { return scanLocation() >= length; }

    // The byte at the cursor, or 0 at the end.
    char16_t currentCharacter() const { return current < end ? *current : 0; }
    // The byte at the cursor, moving past it; 0 at the end, where the cursor stays.
    char16_t scanCharacter() { return current < end ? *current++ : 0; }
    bool scanCharacter(char16_t character) {
        if (current >= end || *current != character)
            return false;
        ++current;
        return true;
    }

    // Byte-for-byte matches; the output is `string` itself (decoded as UTF-8).
    bool scanUTF8String(const char* string, std::string* intoString = nullptr);
    bool scanString(std::string_view string, std::string* intoString = nullptr);

    bool scanCharactersFromSet(const CharacterSet& set, std::string* intoString = nullptr);
    bool scanUpToCharactersFromSet(const CharacterSet& set, std::string* intoString = nullptr);
    // Finds `string` in the rest of the data, but not past a zero byte. The cursor stops at
    // the start of the match, which may be where it already is (an empty run, still true).
    bool scanUpToString(std::string_view string, std::string* intoString = nullptr);

    // The longest run of doubleCharacters(), read as a decimal number by its longest valid
    // prefix ("1e" reads 1, "-" reads 0, "1.2.3" reads 1.2). Overflow gives +-infinity.
    bool scanNumber(double* number = nullptr) {
        if (hasDefaultDoubleCharacters_) {
            const unsigned char* p = current;
            double value = 0;
            // Everything it reads is in the run; the run may go on past the number.
            const auto kind = detail::readSimpleDecimal(p, end, value);
            if (kind != detail::SimpleDecimal::kOther) {
                if (kind == detail::SimpleDecimal::kConvert)
                    value = detail::readDecimal(current, p);
                while (p < end && isDoubleCharacter_[*p])
                    ++p;
                current = p;
                if (number)
                    *number = value;
                return true;
            }
        }
        return scanGeneralNumber(number);
    }

    // Space, tab, line feed, vertical tab, form feed and carriage return.
    void skipWhitespace() {
        // Most values follow their delimiter directly.
        if (current<end&& * current> ' ')
            return;
        while (current < end && isWhitespace(*current))
            ++current;
    }

    // The rest of the data, if it is well-formed UTF-8.
    std::optional<std::string> remainingString() const;

    const CharacterSet& doubleCharacters() const { return doubleCharacters_; }
    void setDoubleCharacters(const CharacterSet& characters);

protected:
    std::string_view data_;
    const unsigned char* start { nullptr };
    const unsigned char* end { nullptr };
    const unsigned char* current { nullptr };
    std::size_t length { 0 };
    CharacterSet doubleCharacters_;

private:
    explicit DataScanner(const CharacterSet& doubleCharacters);
    // Any run of doubleCharacters(), by its longest valid prefix.
    bool scanGeneralNumber(double* number);
    static bool isWhitespace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    // doubleCharacters_ as a table, as numbers are scanned often.
    std::array<bool, 256> isDoubleCharacter_ {};
    bool hasDefaultDoubleCharacters_ { false };
};

} // namespace sweeplight::json
