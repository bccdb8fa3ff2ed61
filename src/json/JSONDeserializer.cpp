#include "json/JSONDeserializer.h"

#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/JSONScanner.h"
#include "json/detail/Document.h"

namespace sweeplight::json {

namespace {

constexpr int kNoDataErrorCode = -1;

bool reportIfEmpty(std::string_view data, JSONError* outError) {
    if (!data.empty())
        return false;
    if (outError)
        *outError = JSONError { kJSONDeserializerErrorDomain, kNoDataErrorCode, std::nullopt };
    return true;
}

} // namespace

JSONDeserializer::JSONDeserializer()
    : pool_(detail::newChunkPool()) {}

JSONDeserializer JSONDeserializer::deserializer() {
    return JSONDeserializer();
}

std::shared_ptr<const JSONDictionary>
JSONDeserializer::deserializeAsDictionary(std::string_view data, JSONError* outError) const {
    if (reportIfEmpty(data, outError))
        return nullptr;
    JSONScanner scanner;
    scanner.takeChunksFrom(pool_.get());
    scanner.setData(data);
    std::shared_ptr<const JSONDictionary> dictionary;
    if (!scanner.scanJSONDictionary(&dictionary, outError))
        return nullptr;
    return dictionary;
}

std::optional<JSONValue> JSONDeserializer::deserialize(std::string_view data,
                                                       JSONError* outError) const {
    if (reportIfEmpty(data, outError))
        return std::nullopt;
    JSONScanner scanner;
    scanner.takeChunksFrom(pool_.get());
    scanner.setData(data);
    JSONValue value;
    if (!scanner.scanJSONObject(&value, outError))
        return std::nullopt;
    return value;
}

} // namespace sweeplight::json
