#include "json/JSONScanner.h"

#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/detail/Document.h"
#include "json/detail/UTF8.h"
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace sweeplight::json {

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

using detail::Document;
using detail::TreeBuilder;
using detail::ValueBits;

// Writes the text of a string constant at the top of the document, after room for its length.
// A \u escape gives one UTF-16 code unit; a high one directly followed by a low one forms a
// single character, and a surrogate without its partner becomes U+FFFD, since UTF-8 cannot
// carry it.
class TextWriter {
public:
    explicit TextWriter(Document& document)
        : document_(document)
        , start_(document.textTop()) {
        document_.reserveText(start_, 0, TreeBuilder::kTextLengthRoom);
    }
    void appendBytes(const unsigned char* begin, const unsigned char* end, bool isASCII) {
        flushSurrogate();
        const auto size = static_cast<std::size_t>(end - begin);
        if (isASCII || detail::isValidUTF8(begin, end)) {
            std::memcpy(room(size), begin, size);
            used_ += size;
            return;
        }
        // Each ill-formed byte may become the three bytes of U+FFFD.
        unsigned char* out = room(3 * size);
        used_ += static_cast<std::size_t>(detail::decodeUTF8Leniently(out, begin, end) - out);
    }
    void appendCharacter(char character) {
        flushSurrogate();
        *room(1) = static_cast<unsigned char>(character);
        ++used_;
    }
    void appendCodeUnit(char32_t unit) {
        if (isHighSurrogate(unit)) {
            flushSurrogate();
            pendingHighSurrogate_ = unit;
            return;
        }
        if (isLowSurrogate(unit)) {
            if (pendingHighSurrogate_ == 0) {
                appendCodePoint(detail::kReplacementCharacter);
                return;
            }
            appendCodePoint(0x10000 + ((pendingHighSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
            pendingHighSurrogate_ = 0;
            return;
        }
        flushSurrogate();
        appendCodePoint(unit);
    }
    // The finished record.
    const unsigned char* finish() {
        flushSurrogate();
        return TreeBuilder::finishText(document_, start_, used_);
    }

private:
    unsigned char* room(std::size_t size) {
        return document_.reserveText(start_, TreeBuilder::kTextLengthRoom + used_, size);
    }
    void appendCodePoint(char32_t codePoint) {
        unsigned char* out = room(4);
        used_ += static_cast<std::size_t>(detail::encodeCodePoint(out, codePoint) - out);
    }
    void flushSurrogate() {
        if (pendingHighSurrogate_ == 0)
            return;
        appendCodePoint(detail::kReplacementCharacter);
        pendingHighSurrogate_ = 0;
    }

    Document& document_;
    unsigned char* start_;
    std::size_t used_ { 0 };
    char32_t pendingHighSurrogate_ { 0 };
};

// Where a key of these bytes was last put, among 256 places.
std::size_t keySlot(std::string_view key) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (key.size() >= 8) {
        std::memcpy(&first, key.data(), 8);
        std::memcpy(&last, key.data() + key.size() - 8, 8);
    } else {
        std::memcpy(&first, key.data(), key.size());
    }
    const std::uint64_t hash = (first ^ std::rotl(last, 29) ^ key.size()) * kMultiplier;
    return static_cast<std::size_t>(hash >> 56);
}

std::string_view textOf(const unsigned char* record) {
    return TreeBuilder::textOf(record);
}

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

JSONScanner::~JSONScanner() {
    if (document_)
        document_->release();
}

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

template <typename Read> JSONScanner::Result JSONScanner::readTree(Read read) {
    if (document_)
        document_->release();
    const auto left = static_cast<std::size_t>(end - current);
    // Trees of typical responses take about twice their text; larger ones grow as they go.
    document_ = Document::create(2 * left + 64);
    document_->followInput(start, &current, end);
    recentKeys_.fill(nullptr);
    depth_ = 0;
    // Enough for a small response without growing step by step.
    pendingMembers_.reserve(32);
    pendingValues_.reserve(32);
    const Result result = read();
    document_->followInput(nullptr, nullptr, nullptr);
    pendingMembers_.clear();
    pendingValues_.clear();
    if (result != 0) {
        document_->release();
        document_ = nullptr;
    }
    return result;
}

bool JSONScanner::scanJSONObject(JSONValue* outObject, JSONError* outError) {
    ValueBits value {};
    const Result result = readTree([&] { return readValue(value); });
    if (result != 0)
        return fail(result, outError);
    if (outObject)
        *outObject = TreeBuilder::owningValue(value);
    document_->release();
    document_ = nullptr;
    return true;
}

bool JSONScanner::scanJSONDictionary(std::shared_ptr<const JSONDictionary>* outDictionary,
                                     JSONError* outError) {
    ValueBits dictionary {};
    const Result result = readTree([&] { return readDictionary(dictionary); });
    if (result != 0)
        return fail(result, outError);
    if (outDictionary)
        *outDictionary = std::make_shared<const JSONDictionary>(TreeBuilder::owningDictionary(
            reinterpret_cast<const detail::DictionaryHeader*>(dictionary.payload)));
    document_->release();
    document_ = nullptr;
    return true;
}

bool JSONScanner::scanJSONArray(std::shared_ptr<const JSONArray>* outArray, JSONError* outError) {
    ValueBits array {};
    const Result result = readTree([&] { return readArray(array); });
    if (result != 0)
        return fail(result, outError);
    if (outArray)
        *outArray = std::make_shared<const JSONArray>(
            TreeBuilder::owningArray(reinterpret_cast<const detail::ArrayHeader*>(array.payload)));
    document_->release();
    document_ = nullptr;
    return true;
}

bool JSONScanner::scanJSONStringConstant(std::string* outString, JSONError* outError) {
    const unsigned char* record = nullptr;
    const Result result = readTree([&] { return readString(record); });
    if (result != 0)
        return fail(result, outError);
    if (outString)
        *outString = textOf(record);
    document_->release();
    document_ = nullptr;
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

JSONScanner::Result JSONScanner::readValue(ValueBits& value) {
    skipWhitespace();
    const auto left = static_cast<std::size_t>(end - current);
    switch (currentCharacter()) {
    case 't':
        if (left < 4 || std::memcmp(current, "true", 4) != 0)
            return kFailedWithoutError;
        current += 4;
        value = TreeBuilder::boolean(true);
        return 0;
    case 'f':
        if (left < 5 || std::memcmp(current, "false", 5) != 0)
            return kFailedWithoutError;
        current += 5;
        value = TreeBuilder::boolean(false);
        return 0;
    case 'n':
        if (left < 4 || std::memcmp(current, "null", 4) != 0)
            return kFailedWithoutError;
        current += 4;
        value = ValueBits { 0, 0 };
        return 0;
    case '"':
    case '\'': {
        const unsigned char* record = nullptr;
        const Result result = readString(record);
        if (result == 0)
            value = TreeBuilder::pointer(record, TreeBuilder::kString);
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
            value = TreeBuilder::number(number);
        return result;
    }
    case '{':
        return readDictionary(value);
    case '[':
        return readArray(value);
    default:
        return kFailedWithoutError;
    }
}

JSONScanner::Result JSONScanner::readDictionary(ValueBits& dictionary) {
    const std::size_t location = scanLocation();
    if (!scanCharacter('{'))
        return kDictionaryStart;
    if (depth_ >= kMaximumNestingDepth) {
        setScanLocation(location);
        return kFailedWithoutError;
    }
    ++depth_;
    const std::size_t firstMember = pendingMembers_.size();
    auto failWith = [&](Result code) {
        --depth_;
        pendingMembers_.resize(firstMember);
        setScanLocation(location);
        return code;
    };

    while (currentCharacter() != '}') {
        skipWhitespace();
        if (currentCharacter() == '}')
            break;
        const unsigned char* key = nullptr;
        if (readKey(key) != 0)
            return failWith(kDictionaryKey);
        skipWhitespace();
        if (!scanCharacter(':'))
            return failWith(kDictionaryColon);
        ValueBits value {};
        if (readValue(value) != 0)
            return failWith(kDictionaryValue);
        pendingMembers_.push_back({ key, value.payload, value.word });
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
    const std::size_t size = pendingMembers_.size() - firstMember;
    if (size == 0) {
        dictionary = TreeBuilder::pointer(TreeBuilder::emptyDictionary(), TreeBuilder::kDictionary);
        return 0;
    }
    detail::DictionaryHeader* header = TreeBuilder::newDictionary(*document_, size);
    JSONMember* members = header->members();
    const PendingMember* pending = pendingMembers_.data() + firstMember;
    for (std::size_t i = 0; i < size; ++i)
        TreeBuilder::placeMember(members + i, pending[i].key,
                                 ValueBits { pending[i].payload, pending[i].word });
    pendingMembers_.resize(firstMember);
    dictionary = TreeBuilder::pointer(header, TreeBuilder::kDictionary);
    return 0;
}

JSONScanner::Result JSONScanner::readArray(ValueBits& array) {
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
        ValueBits value {};
        if (readValue(value) != 0)
            return failWith(kArrayValue);
        pendingValues_.push_back(value);
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
    const std::size_t size = pendingValues_.size() - firstValue;
    if (size == 0) {
        array = TreeBuilder::pointer(TreeBuilder::emptyArray(), TreeBuilder::kArray);
        return 0;
    }
    detail::ArrayHeader* header = TreeBuilder::newArray(*document_, size);
    auto* elements = const_cast<JSONValue*>(header->elements());
    const ValueBits* pending = pendingValues_.data() + firstValue;
    for (std::size_t i = 0; i < size; ++i)
        TreeBuilder::place(elements + i, pending[i]);
    pendingValues_.resize(firstValue);
    array = TreeBuilder::pointer(header, TreeBuilder::kArray);
    return 0;
}

JSONScanner::Result JSONScanner::readString(const unsigned char*& record) {
    const std::size_t location = scanLocation();
    skipWhitespace();
    if (!scanCharacter('"')) {
        setScanLocation(location);
        return kStringStart;
    }
    // A failed text leaves nothing behind: it was never ended at the document's top.
    auto failWith = [&](Result code) {
        setScanLocation(location);
        return code;
    };

    TextWriter writer(*document_);
    for (;;) {
        const unsigned char* runStart = current;
        const PlainRun run = findQuoteOrBackslash(current, end);
        current = run.stop;
        if (current != runStart)
            writer.appendBytes(runStart, current, run.isASCII);
        if (current == end)
            return failWith(kFailedWithoutError);
        if (*current == '"') {
            ++current;
            break;
        }
        ++current; // the backslash
        const char16_t escaped = scanCharacter();
        switch (escaped) {
        case '"':
        case '/':
        case '\\':
            writer.appendCharacter(static_cast<char>(escaped));
            break;
        case 'b':
            writer.appendCharacter('\b');
            break;
        case 'f':
            writer.appendCharacter('\f');
            break;
        case 'n':
            writer.appendCharacter('\n');
            break;
        case 'r':
            writer.appendCharacter('\r');
            break;
        case 't':
            writer.appendCharacter('\t');
            break;
        case 'u': {
            char32_t unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = HexToInt(scanCharacter());
                if (digit < 0)
                    return failWith(kStringUnicode);
                unit = unit << 4 | static_cast<char32_t>(digit);
            }
            writer.appendCodeUnit(unit);
            break;
        }
        default:
            return failWith(kStringEscape);
        }
    }
    record = writer.finish();
    return 0;
}

JSONScanner::Result JSONScanner::readKey(const unsigned char*& record) {
    const Result result = readString(record);
    if (result != 0)
        return result;
    const std::string_view key = textOf(record);
    const unsigned char*& recent = recentKeys_[keySlot(key)];
    if (recent && textOf(recent) == key) {
        // The record just written is the last thing in the document: it can go again.
        document_->dropTextAt(record);
        record = recent;
    } else {
        recent = record;
    }
    return 0;
}

JSONScanner::Result JSONScanner::readNumber(double& number) {
    if (!scanNumber(&number))
        return kNumber;
    return 0;
}

} // namespace sweeplight::json
