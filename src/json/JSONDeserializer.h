#pragma once

#include "json/JSONValue.h"
#include <memory>
#include <optional>
#include <string_view>

namespace sweeplight::json {

class JSONDictionary;
struct JSONError;

namespace detail {
class ChunkPool;
} // namespace detail

// Turns a whole response body into values. Neither entry point looks at what follows the
// top-level value. Missing or empty data fails with code -1 of kJSONDeserializerErrorDomain,
// which carries no message; other failures report the scanner's error (see JSONScanner).
//
// A deserializer kept from one read to the next hands the memory of the last tree that went
// (all of its copies' trees count) to the next tree it reads, until it goes itself.
class JSONDeserializer final {
public:
    static JSONDeserializer deserializer();

    // The body must start with "{" at its very first byte.
    std::shared_ptr<const JSONDictionary>
    deserializeAsDictionary(std::string_view data, JSONError* outError = nullptr) const;

    // Any kind of top-level value, after leading white space. Kept for older callers: the
    // service's responses are objects, read with deserializeAsDictionary().
    std::optional<JSONValue> deserialize(std::string_view data,
                                         JSONError* outError = nullptr) const;

private:
    JSONDeserializer();

    std::shared_ptr<detail::ChunkPool> pool_;
};

} // namespace sweeplight::json
