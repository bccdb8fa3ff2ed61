#pragma once

#include "json/DataScanner.h"
#include "json/JSONDictionary.h"
#include "json/JSONValue.h"
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplight::json {

struct JSONError;

namespace detail {
class ChunkPool;
class Document;
struct ValueBits;
} // namespace detail

// Reads JSON text with the scanning rules of DataScanner: each scan returns true and its value,
// or false, an error (domain kJSONScannerErrorDomain) and the cursor put back.
//
// The grammar is that of our service's responses, which is looser than strict JSON: trailing
// commas are accepted in objects and arrays; true, false and null are matched by their bytes
// alone, whatever follows; a number is the longest run of "0123456789eE-." read by its longest
// valid prefix, so 1.5e+3 reads 1.5 and leaves the plus sign, and 1.2.3 reads 1.2.
//
// Error codes: -1 to -6 objects, -7 to -10 arrays, -11 to -13 strings, -14 numbers. When a
// nested construct fails, the error is that of the outermost construct that failed (a bad
// escape inside an object's value reports -4). A value that starts with no recognised
// character, a misspelt literal and a string cut off by the end of the data fail without an
// error of their own.
class JSONScanner final : public DataScanner {
public:
    // Containers nested deeper than this fail instead of exhausting the stack.
    static constexpr int kMaximumNestingDepth = 512;

    JSONScanner();
    ~JSONScanner() override;

    static std::unique_ptr<JSONScanner> scannerWithData(std::string_view data);

    // Text that starts like UTF-16 or UTF-32 (either byte order, no byte-order mark) is
    // converted to UTF-8 and the converted bytes are scanned; if it cannot be converted the
    // scanner gets no data.
    void setData(std::string_view data) override;

    // The trees read take their memory from `pool` where it has some (see JSONDeserializer);
    // the trees keep the pool, the scanner only borrows it for its reads.
    void takeChunksFrom(detail::ChunkPool* pool) { pool_ = pool; }

    bool scanJSONObject(JSONValue* outObject = nullptr, JSONError* outError = nullptr);
    bool scanJSONDictionary(std::shared_ptr<const JSONDictionary>* outDictionary = nullptr,
                            JSONError* outError = nullptr);
    bool scanJSONArray(std::shared_ptr<const JSONArray>* outArray = nullptr,
                       JSONError* outError = nullptr);
    bool scanJSONStringConstant(std::string* outString = nullptr, JSONError* outError = nullptr);
    bool scanJSONNumberConstant(double* outNumber = nullptr, JSONError* outError = nullptr);
    // Moves past the bytes up to the next double quote, backslash or the end, appending them
    // (decoded as UTF-8) to `intoString`; false when there are none.
    bool scanNotQuoteCharactersIntoString(std::string* intoString);

private:
    // 0 for success, a negative error code, or kFailedWithoutError.
    using Result = int;
    // Each reads into the document being filled; a value comes back as its raw form.
    Result readValue(detail::ValueBits& value);
    Result readDictionary(detail::ValueBits& dictionary);
    Result readArray(detail::ValueBits& array);
    // A text record in the document.
    Result readString(const unsigned char*& record);
    Result readNumber(double& number);
    // A key: the same record for the same bytes when they were seen lately.
    Result readKey(const unsigned char*& record);

    // Runs one top-level scan into a new document; the document is kept on success.
    template <typename Read> Result readTree(Read read);

    // Holds the UTF-8 form of UTF-16 or UTF-32 data, which the scanner then borrows.
    std::string convertedData_;
    int depth_ { 0 };
    detail::Document* document_ { nullptr };
    detail::ChunkPool* pool_ { nullptr };
    // The members and elements of the containers being read, innermost last. Each container
    // copies its own off the top when it is complete, so it gets one block of exactly its size.
    struct PendingMember {
        const unsigned char* key;
        std::uint64_t payload;
        std::uint64_t word;
    };
    std::vector<PendingMember> pendingMembers_;
    std::vector<detail::ValueBits> pendingValues_;
    // Keys recently read, by a hash of their bytes: objects of one kind share their key texts.
    // Emptied at the start of each read.
    std::array<const unsigned char*, 256> recentKeys_;
};

// The value of one hexadecimal digit character, or -1 for any other character.
int HexToInt(char16_t character);

} // namespace sweeplight::json
