#include "reference/JSONDeserializer.h"

#include "reference/JSONDictionary.h"
#include "reference/JSONError.h"
#include "reference/JSONScanner.h"

namespace sweeplight::json_reference {

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

std::shared_ptr<const JSONDictionary>
JSONDeserializer::deserializeAsDictionary(std::string_view data, JSONError* outError) const {
    if (reportIfEmpty(data, outError))
        return nullptr;
    auto scanner = JSONScanner::scannerWithData(data);
    std::shared_ptr<const JSONDictionary> dictionary;
    if (!scanner->scanJSONDictionary(&dictionary, outError))
        return nullptr;
    return dictionary;
}

std::optional<JSONValue> JSONDeserializer::deserialize(std::string_view data,
                                                       JSONError* outError) const {
    if (reportIfEmpty(data, outError))
        return std::nullopt;
    auto scanner = JSONScanner::scannerWithData(data);
    JSONValue value;
    if (!scanner->scanJSONObject(&value, outError))
        return std::nullopt;
    return value;
}

} // namespace sweeplight::json_reference
