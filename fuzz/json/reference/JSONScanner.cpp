#include "reference/JSONScanner.h"

#include "reference/JSONDictionary.h"
#include "reference/JSONError.h"
#include "reference/detail/UTF8.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace sweeplight::json_reference {

namespace {

constexpr int kFailedWithoutError = 1;

constexpr char kDictionaryStartMessage[] =
    "Could not scan dictionary. Dictionary that does not start with '{' character.";
constexpr char kDictionaryKeyMessage[] = "Could not scan dictionary. Failed to scan a key.";
constexpr char kDictionaryColonMessage[] =
    "Could not scan dictionary. Key was not terminated with a ':' character.";
constexpr char kDictionaryValueMessage[] = "Could not scan dictionary. Failed to scan a value.";
constexpr char kDictionaryCommaMessage[] =
    "Could not scan dictionary. Key value pairs not delimited with a ',' character.";
constexpr char kDictionaryEndMessage[] =
    "Could not scan dictionary. Dictionary not terminated by a '}' character.";
// The text says '{' for an array; it is part of the error as our callers know it.
constexpr char kArrayStartMessage[] = "Could not scan array. Array not started by a '{' character.";
constexpr char kArrayValueMessage[] = "Could not scan array. Could not scan a value.";
constexpr char kArrayDelimiterMessage[] =
    "Could not scan array. Array not terminated by a ']' character.";
constexpr char kArrayEndMessage[] =
    "Could not scan array. Array not terminated by a ']' character.";
constexpr char kStringStartMessage[] =
    "Could not scan string constant. String not started by a '\"' character.";
constexpr char kStringUnicodeMessage[] =
    "Could not scan string constant. Unicode character could not be decoded.";
constexpr char kStringEscapeMessage[] = "Could not scan string constant. Unknown escape code.";
constexpr char kNumberMessage[] = "Could not scan number constant.";

enum ErrorCode : int {
    kDictionaryStart = -1,
    kDictionaryKey = -2,
    kDictionaryColon = -3,
    kDictionaryValue = -4,
    kDictionaryComma = -5,
    kDictionaryEnd = -6,
    kArrayStart = -7,
    kArrayValue = -8,
    kArrayDelimiter = -9,
    kArrayEnd = -10,
    kStringStart = -11,
    kStringUnicode = -12,
    kStringEscape = -13,
    kNumber = -14,
};

const char* messageForCode(int code) {
    switch (code) {
    case kDictionaryStart:
        return kDictionaryStartMessage;
    case kDictionaryKey:
        return kDictionaryKeyMessage;
    case kDictionaryColon:
        return kDictionaryColonMessage;
    case kDictionaryValue:
        return kDictionaryValueMessage;
    case kDictionaryComma:
        return kDictionaryCommaMessage;
    case kDictionaryEnd:
        return kDictionaryEndMessage;
    case kArrayStart:
        return kArrayStartMessage;
    case kArrayValue:
        return kArrayValueMessage;
    case kArrayDelimiter:
        return kArrayDelimiterMessage;
    case kArrayEnd:
        return kArrayEndMessage;
    case kStringStart:
        return kStringStartMessage;
    case kStringUnicode:
        return kStringUnicodeMessage;
    case kStringEscape:
        return kStringEscapeMessage;
    case kNumber:
        return kNumberMessage;
    }
    return "";
}

// Reports a failed scan through the caller's error pointer; failures without an error of their
// own leave it as it was.
bool fail(int result, JSONError* outError) {
    if (outError && result < 0)
        *outError =
            JSONError { kJSONScannerErrorDomain, result, std::string(messageForCode(result)) };
    return false;
}

constexpr std::uint64_t broadcast(unsigned char byte) {
    return 0x0101010101010101ULL * byte;
}

// A run of plain string bytes: up to the next double quote or backslash (or the end), and
// whether it is all ASCII, which needs no UTF-8 check.
struct PlainRun {
    const unsigned char* stop;
    bool isASCII;
};

PlainRun findQuoteOrBackslash(const unsigned char* p, const unsigned char* end) {
    constexpr std::uint64_t kHigh = broadcast(0x80);
    std::uint64_t seen = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLow = broadcast(0x01);
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t quotes = word ^ broadcast('"');
            const std::uint64_t backslashes = word ^ broadcast('\\');
            // The lowest flagged byte is exact: the usual zero-byte test.
            const std::uint64_t found =
                ((quotes - kLow) & ~quotes & kHigh) | ((backslashes - kLow) & ~backslashes & kHigh);
            if (found) {
                const int offset = std::countr_zero(found) / 8;
                seen |= word & ((std::uint64_t { 1 } << (8 * offset)) - 1);
                return { p + offset, (seen & kHigh) == 0 };
            }
            seen |= word;
            p += 8;
        }
    }
    for (; p < end && *p != '"' && *p != '\\'; ++p)
        seen |= *p;
    return { p, (seen & kHigh) == 0 };
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Builds the text of a string constant. A \u escape gives one UTF-16 code unit; a high one
// directly followed by a low one forms a single character, and a surrogate without its partner
// becomes U+FFFD, since UTF-8 cannot carry it.
class StringBuilder {
public:
    explicit StringBuilder(std::string& text)
        : text_(text) {}
    void appendBytes(const unsigned char* begin, const unsigned char* end, bool isASCII) {
        flushSurrogate();
        if (isASCII)
            text_.append(reinterpret_cast<const char*>(begin),
                         static_cast<std::size_t>(end - begin));
        else
            detail::appendUTF8Leniently(text_, begin, end);
    }
    void appendCharacter(char character) {
        flushSurrogate();
        text_.push_back(character);
    }
    void appendCodeUnit(char32_t unit) {
        if (isHighSurrogate(unit)) {
            flushSurrogate();
            pendingHighSurrogate_ = unit;
            return;
        }
        if (isLowSurrogate(unit)) {
            if (pendingHighSurrogate_ == 0) {
                detail::appendCodePoint(text_, detail::kReplacementCharacter);
                return;
            }
            detail::appendCodePoint(text_, 0x10000 + ((pendingHighSurrogate_ - 0xD800) << 10) +
                                               (unit - 0xDC00));
            pendingHighSurrogate_ = 0;
            return;
        }
        flushSurrogate();
        detail::appendCodePoint(text_, unit);
    }
    void finish() { flushSurrogate(); }

private:
    void flushSurrogate() {
        if (pendingHighSurrogate_ == 0)
            return;
        detail::appendCodePoint(text_, detail::kReplacementCharacter);
        pendingHighSurrogate_ = 0;
    }

    std::string& text_;
    char32_t pendingHighSurrogate_ { 0 };
};

} // namespace

int HexToInt(char16_t character) {
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    return -1;
}

JSONScanner::JSONScanner() = default;
JSONScanner::~JSONScanner() = default;

std::unique_ptr<JSONScanner> JSONScanner::scannerWithData(std::string_view data) {
    auto scanner = std::make_unique<JSONScanner>();
    scanner->setData(data);
    return scanner;
}

void JSONScanner::setData(std::string_view data) {
    if (data.size() < 4) {
        DataScanner::setData(data);
        return;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(data.data());
    std::string converted;
    bool convertible = true;
    if (b[0] != 0 && b[1] == 0 && b[2] != 0 && b[3] == 0)
        convertible = detail::convertUTF16ToUTF8(data, false, converted);
    else if (b[0] != 0 && b[1] == 0 && b[2] == 0 && b[3] == 0)
        convertible = detail::convertUTF32ToUTF8(data, false, converted);
    else if (b[0] == 0 && b[1] != 0 && b[2] == 0 && b[3] != 0)
        convertible = detail::convertUTF16ToUTF8(data, true, converted);
    else if (b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] != 0)
        convertible = detail::convertUTF32ToUTF8(data, true, converted);
    else {
        DataScanner::setData(data);
        return;
    }
    if (!convertible) {
        DataScanner::setData({});
        return;
    }
    // Converted text is always new data, even where a short string reuses the same buffer,
    // so the cursor starts over.
    DataScanner::setData({});
    convertedData_.swap(converted);
    DataScanner::setData(convertedData_);
}

bool JSONScanner::scanJSONObject(JSONValue* outObject, JSONError* outError) {
    JSONValue value;
    const Result result = readValue(value);
    if (result != 0)
        return fail(result, outError);
    if (outObject)
        *outObject = std::move(value);
    return true;
}

bool JSONScanner::scanJSONDictionary(std::shared_ptr<const JSONDictionary>* outDictionary,
                                     JSONError* outError) {
    std::shared_ptr<const JSONDictionary> dictionary;
    const Result result = readDictionary(dictionary);
    if (result != 0)
        return fail(result, outError);
    if (outDictionary)
        *outDictionary = std::move(dictionary);
    return true;
}

bool JSONScanner::scanJSONArray(std::shared_ptr<const JSONArray>* outArray, JSONError* outError) {
    std::shared_ptr<const JSONArray> array;
    const Result result = readArray(array);
    if (result != 0)
        return fail(result, outError);
    if (outArray)
        *outArray = std::move(array);
    return true;
}

bool JSONScanner::scanJSONStringConstant(std::string* outString, JSONError* outError) {
    std::string string;
    const Result result = readString(string);
    if (result != 0)
        return fail(result, outError);
    if (outString)
        *outString = std::move(string);
    return true;
}

bool JSONScanner::scanJSONNumberConstant(double* outNumber, JSONError* outError) {
    double number = 0;
    const Result result = readNumber(number);
    if (result != 0)
        return fail(result, outError);
    if (outNumber)
        *outNumber = number;
    return true;
}

bool JSONScanner::scanNotQuoteCharactersIntoString(std::string* intoString) {
    const unsigned char* runStart = current;
    current = findQuoteOrBackslash(current, end).stop;
    if (current == runStart)
        return false;
    if (intoString)
        detail::appendUTF8Leniently(*intoString, runStart, current);
    return true;
}

// The nested scans report no errors: whichever construct encloses them reports its own, so
// the error a caller sees is decided by the outermost failing construct alone.

JSONScanner::Result JSONScanner::readValue(JSONValue& value) {
    skipWhitespace();
    switch (currentCharacter()) {
    case 't':
        if (!scanUTF8String("true"))
            return kFailedWithoutError;
        value = JSONValue(true);
        return 0;
    case 'f':
        if (!scanUTF8String("false"))
            return kFailedWithoutError;
        value = JSONValue(false);
        return 0;
    case 'n':
        if (!scanUTF8String("null"))
            return kFailedWithoutError;
        value = JSONValue::null();
        return 0;
    case '"':
    case '\'': {
        std::string string;
        const Result result = readString(string);
        if (result == 0)
            value = JSONValue(std::move(string));
        return result;
    }
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': {
        double number = 0;
        const Result result = readNumber(number);
        if (result == 0)
            value = JSONValue(number);
        return result;
    }
    case '{': {
        std::shared_ptr<const JSONDictionary> dictionary;
        const Result result = readDictionary(dictionary);
        if (result == 0)
            value = JSONValue(std::move(dictionary));
        return result;
    }
    case '[': {
        std::shared_ptr<const JSONArray> array;
        const Result result = readArray(array);
        if (result == 0)
            value = JSONValue(std::move(array));
        return result;
    }
    default:
        return kFailedWithoutError;
    }
}

JSONScanner::Result JSONScanner::readDictionary(std::shared_ptr<const JSONDictionary>& dictionary) {
    const std::size_t location = scanLocation();
    if (!scanCharacter('{'))
        return kDictionaryStart;
    if (depth_ >= kMaximumNestingDepth) {
        setScanLocation(location);
        return kFailedWithoutError;
    }
    ++depth_;
    const std::size_t firstEntry = pendingEntries_.size();
    auto failWith = [&](Result code) {
        --depth_;
        pendingEntries_.resize(firstEntry);
        setScanLocation(location);
        return code;
    };

    while (currentCharacter() != '}') {
        skipWhitespace();
        if (currentCharacter() == '}')
            break;
        std::string key;
        if (readString(key) != 0)
            return failWith(kDictionaryKey);
        skipWhitespace();
        if (!scanCharacter(':'))
            return failWith(kDictionaryColon);
        JSONValue value;
        if (readValue(value) != 0)
            return failWith(kDictionaryValue);
        pendingEntries_.emplace_back(std::move(key), std::move(value));
        skipWhitespace();
        if (scanCharacter(',')) {
            skipWhitespace();
            if (currentCharacter() == '}')
                break;
            continue;
        }
        if (currentCharacter() == '}')
            break;
        return failWith(kDictionaryComma);
    }
    if (!scanCharacter('}'))
        return failWith(kDictionaryEnd);
    --depth_;
    const auto first = pendingEntries_.begin() + static_cast<std::ptrdiff_t>(firstEntry);
    std::vector<JSONDictionary::Entry> entries(std::make_move_iterator(first),
                                               std::make_move_iterator(pendingEntries_.end()));
    pendingEntries_.erase(first, pendingEntries_.end());
    dictionary = std::make_shared<const JSONDictionary>(std::move(entries));
    return 0;
}

JSONScanner::Result JSONScanner::readArray(std::shared_ptr<const JSONArray>& array) {
    const std::size_t location = scanLocation();
    if (!scanCharacter('['))
        return kArrayStart;
    if (depth_ >= kMaximumNestingDepth) {
        setScanLocation(location);
        return kFailedWithoutError;
    }
    ++depth_;
    const std::size_t firstValue = pendingValues_.size();
    auto failWith = [&](Result code) {
        --depth_;
        pendingValues_.resize(firstValue);
        setScanLocation(location);
        return code;
    };

    skipWhitespace();
    while (currentCharacter() != ']') {
        JSONValue value;
        if (readValue(value) != 0)
            return failWith(kArrayValue);
        pendingValues_.push_back(std::move(value));
        skipWhitespace();
        if (scanCharacter(',')) {
            skipWhitespace();
            continue;
        }
        skipWhitespace();
        if (currentCharacter() == ']')
            break;
        return failWith(kArrayDelimiter);
    }
    skipWhitespace();
    if (!scanCharacter(']'))
        return failWith(kArrayEnd);
    --depth_;
    const auto first = pendingValues_.begin() + static_cast<std::ptrdiff_t>(firstValue);
    auto values = std::make_shared<JSONArray>(std::make_move_iterator(first),
                                              std::make_move_iterator(pendingValues_.end()));
    pendingValues_.erase(first, pendingValues_.end());
    array = std::move(values);
    return 0;
}

JSONScanner::Result JSONScanner::readString(std::string& string) {
    const std::size_t location = scanLocation();
    skipWhitespace();
    if (!scanCharacter('"')) {
        setScanLocation(location);
        return kStringStart;
    }
    auto failWith = [&](Result code) {
        setScanLocation(location);
        return code;
    };

    string.clear();
    StringBuilder builder(string);
    for (;;) {
        const unsigned char* runStart = current;
        const PlainRun run = findQuoteOrBackslash(current, end);
        current = run.stop;
        if (current != runStart)
            builder.appendBytes(runStart, current, run.isASCII);
        if (current == end)
            return failWith(kFailedWithoutError);
        if (scanCharacter('"'))
            break;
        scanCharacter(); // the backslash
        const char16_t escaped = scanCharacter();
        switch (escaped) {
        case '"':
        case '/':
        case '\\':
            builder.appendCharacter(static_cast<char>(escaped));
            break;
        case 'b':
            builder.appendCharacter('\b');
            break;
        case 'f':
            builder.appendCharacter('\f');
            break;
        case 'n':
            builder.appendCharacter('\n');
            break;
        case 'r':
            builder.appendCharacter('\r');
            break;
        case 't':
            builder.appendCharacter('\t');
            break;
        case 'u': {
            char32_t unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = HexToInt(scanCharacter());
                if (digit < 0)
                    return failWith(kStringUnicode);
                unit = unit << 4 | static_cast<char32_t>(digit);
            }
            builder.appendCodeUnit(unit);
            break;
        }
        default:
            return failWith(kStringEscape);
        }
    }
    builder.finish();
    return 0;
}

JSONScanner::Result JSONScanner::readNumber(double& number) {
    if (!scanNumber(&number))
        return kNumber;
    return 0;
}

} // namespace sweeplight::json_reference
