#include "json/JSONScanner.h"

#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/detail/Document.h"
#include "json/detail/UTF8.h"
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// Up to the next double quote or backslash, or the end.
const unsigned char* findQuoteOrBackslash(const unsigned char* p, const unsigned char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLow = broadcast(0x01);
        constexpr std::uint64_t kHigh = broadcast(0x80);
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t quotes = word ^ broadcast('"');
            const std::uint64_t backslashes = word ^ broadcast('\\');
            // The lowest flagged byte is exact: the usual zero-byte test.
            const std::uint64_t found =
                ((quotes - kLow) & ~quotes & kHigh) | ((backslashes - kLow) & ~backslashes & kHigh);
            if (found)
                return p + std::countr_zero(found) / 8;
            p += 8;
        }
    }
    while (p < end && *p != '"' && *p != '\\')
        ++p;
    return p;
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

// What a one-character escape stands for, by the character after the backslash; 0 for none.
constexpr std::array<unsigned char, 256> kSimpleEscapes = [] {
    std::array<unsigned char, 256> table {};
    table['"'] = '"';
    table['/'] = '/';
    table['\\'] = '\\';
    table['b'] = '\b';
    table['f'] = '\f';
    table['n'] = '\n';
    table['r'] = '\r';
    table['t'] = '\t';
    return table;
}();

// The value of each byte as a hexadecimal digit, or -1.
constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[c] = -1;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
        table[c] = static_cast<signed char>(c - 'a' + 10);
        table[c - 'a' + 'A'] = static_cast<signed char>(c - 'a' + 10);
    }
    return table;
}();

// Writes the text of a string constant at the top of the document, after room for its length.
// A \u escape gives one UTF-16 code unit; a high one directly followed by a low one forms a
// single character, and a surrogate without its partner becomes U+FFFD, since UTF-8 cannot
// carry it. Plain bytes are copied as they are when they are well-formed UTF-8; each run of
// them between escapes is checked on its own, and ill-formed bytes in it become U+FFFD.
class TextWriter {
public:
    explicit TextWriter(Document& document)
        : document_(document)
        , start_(document.textTop()) {}

    // Reads the text from `cursor`, just after its opening quote, to its closing quote, which it
    // moves `cursor` past: 0, a negative error code, or kFailedWithoutError at the end of the
    // data. The output position, its bound and a pending surrogate are locals: the bytes stored
    // could otherwise be members for all the compiler knows, and be read again after each one.
    int read(const unsigned char*& cursor, const unsigned char* end) {
        constexpr std::uint64_t kLow = broadcast(0x01);
        constexpr std::uint64_t kHigh = broadcast(0x80);
        const unsigned char* p = cursor;
        unsigned char* out = document_.reserveText(start_, 0, TreeBuilder::kTextLengthRoom) +
                             TreeBuilder::kTextLengthRoom;
        unsigned char* limit = out + document_.roomAt(out);
        char32_t pendingHighSurrogate = 0;
        const auto ensureRoom = [&](std::size_t size) {
            if (static_cast<std::size_t>(limit - out) >= size)
                return;
            out = document_.reserveText(start_, static_cast<std::size_t>(out - start_), size);
            limit = out + document_.roomAt(out);
        };
        const auto appendCodePoint = [&](char32_t codePoint) {
            ensureRoom(4);
            out = detail::encodeCodePoint(out, codePoint);
        };
        const auto flushSurrogate = [&] {
            if (pendingHighSurrogate == 0)
                return;
            appendCodePoint(detail::kReplacementCharacter);
            pendingHighSurrogate = 0;
        };

        for (;;) {
            if (p < end && *p != '"' && *p != '\\') {
                flushSurrogate();
                const unsigned char* const runStart = p;
                std::uint64_t seen = 0;
#if defined(__SSE2__)
                // Sixteen at a time where the processor has the instructions for it (texts
                // between escapes are mostly shorter: the first block usually ends the run).
                unsigned nonASCII = 0;
                const __m128i quoteBytes = _mm_set1_epi8('"');
                const __m128i backslashBytes = _mm_set1_epi8('\\');
                while (end - p >= 16) {
                    ensureRoom(16);
                    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
                    const auto stops = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                        _mm_cmpeq_epi8(block, quoteBytes), _mm_cmpeq_epi8(block, backslashBytes))));
                    const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
                    if (stops) {
                        const int offset = std::countr_zero(stops);
                        nonASCII |= high & ((1u << offset) - 1);
                        out += offset;
                        p += offset;
                        break;
                    }
                    nonASCII |= high;
                    out += 16;
                    p += 16;
                }
                if (nonASCII)
                    seen = kHigh;
#endif
                if constexpr (std::endian::native == std::endian::little) {
                    // A word at a time, copied while it is looked at: all eight bytes go out,
                    // only those before a quote or backslash count.
                    while (end - p >= 8 && *p != '"' && *p != '\\') {
                        ensureRoom(8);
                        std::uint64_t word;
                        std::memcpy(&word, p, 8);
                        std::memcpy(out, &word, 8);
                        const std::uint64_t quotes = word ^ broadcast('"');
                        const std::uint64_t backslashes = word ^ broadcast('\\');
                        // The lowest flagged byte is exact: the usual zero-byte test.
                        const std::uint64_t found = ((quotes - kLow) & ~quotes & kHigh) |
                                                    ((backslashes - kLow) & ~backslashes & kHigh);
                        if (found) {
                            const int offset = std::countr_zero(found) / 8;
                            seen |= word & ((std::uint64_t { 1 } << (8 * offset)) - 1);
                            out += offset;
                            p += offset;
                            break;
                        }
                        seen |= word;
                        out += 8;
                        p += 8;
                    }
                }
                const unsigned char* const tail = p;
                while (p < end && *p != '"' && *p != '\\')
                    seen |= *p++;
                if (p != tail) {
                    const auto size = static_cast<std::size_t>(p - tail);
                    ensureRoom(size);
                    std::memcpy(out, tail, size);
                    out += size;
                }
                if ((seen & kHigh) != 0 && !detail::isValidUTF8(runStart, p)) {
                    // The copy is the last thing written: it goes, decoded again.
                    const auto size = static_cast<std::size_t>(p - runStart);
                    out -= size;
                    // Each ill-formed byte may become the three bytes of U+FFFD.
                    ensureRoom(3 * size);
                    out = detail::decodeUTF8Leniently(out, runStart, p);
                }
            }
            if (p == end)
                return kFailedWithoutError;
            if (*p == '"') {
                flushSurrogate();
                size_ = static_cast<std::size_t>(out - start_) - TreeBuilder::kTextLengthRoom;
                cursor = p + 1;
                return 0;
            }
            // Past the backslash; the end reads as byte 0, which is no escape.
            ++p;
            const unsigned char escaped = p < end ? *p++ : 0;
            if (const unsigned char character = kSimpleEscapes[escaped]) {
                flushSurrogate();
                ensureRoom(1);
                *out++ = character;
                continue;
            }
            if (escaped != 'u')
                return kStringEscape;
            char32_t unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = p < end ? kHexDigits[*p++] : -1;
                if (digit < 0)
                    return kStringUnicode;
                unit = unit << 4 | static_cast<char32_t>(digit);
            }
            if (isHighSurrogate(unit)) {
                flushSurrogate();
                pendingHighSurrogate = unit;
            } else if (isLowSurrogate(unit)) {
                if (pendingHighSurrogate == 0) {
                    appendCodePoint(detail::kReplacementCharacter);
                } else {
                    appendCodePoint(0x10000 + ((pendingHighSurrogate - 0xD800) << 10) +
                                    (unit - 0xDC00));
                    pendingHighSurrogate = 0;
                }
            } else {
                flushSurrogate();
                appendCodePoint(unit);
            }
        }
    }

    // The finished record, once read() succeeded.
    const unsigned char* finish() {
        return TreeBuilder::finishText(document_, start_, size_);
    }

private:
    Document& document_;
    unsigned char* start_;
    std::size_t size_ { 0 };
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
    return character < kHexDigits.size() ? kHexDigits[character] : -1;
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
    // Trees of typical responses take a little under twice their text (a first chunk of twice
    // would leave a small tree at more than twice); larger ones grow as they go.
    document_ = Document::create(2 * left - left / 12);
    if (pool_)
        document_->takeChunksFrom(*pool_);
    // What closing the containers still open takes: their headers and what is pending in them.
    const auto openBytes = [](const void* reader) -> std::size_t {
        const auto& scanner = *static_cast<const JSONScanner*>(reader);
        return scanner.pendingMembers_.size() * sizeof(JSONMember) +
               scanner.pendingValues_.size() * sizeof(JSONValue) +
               static_cast<std::size_t>(scanner.depth_ + 1) *
                   (sizeof(detail::DictionaryHeader) + 8);
    };
    const Document::Progress progress { start, &current, end, openBytes, this };
    document_->followInput(&progress);
    recentKeys_.fill(nullptr);
    depth_ = 0;
    // Enough for a small response without growing step by step.
    pendingMembers_.reserve(32);
    pendingValues_.reserve(32);
    const Result result = read();
    document_->followInput(nullptr);
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
    current = findQuoteOrBackslash(current, end);
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
    if (const Result result = writer.read(current, end); result != 0)
        return failWith(result);
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
