#pragma once

#include "reference/JSONValue.h"

#include <memory>
#include <optional>
#include <string_view>

namespace sweeplight::json_reference {

class JSONDictionary;
struct JSONError;

// Turns a whole response body into values. Neither entry point looks at what follows the
// top-level value. Missing or empty data fails with code -1 of kJSONDeserializerErrorDomain,
// which carries no message; other failures report the scanner's error (see JSONScanner).
class JSONDeserializer final {
public:
    static JSONDeserializer deserializer() { return JSONDeserializer(); }

    // The body must start with "{" at its very first byte.
    std::shared_ptr<const JSONDictionary>
    deserializeAsDictionary(std::string_view data, JSONError* outError = nullptr) const;

    // Any kind of top-level value, after leading white space. Kept for older callers: the
    // service's responses are objects, read with deserializeAsDictionary().
    std::optional<JSONValue> deserialize(std::string_view data,
                                         JSONError* outError = nullptr) const;
};

} // namespace sweeplight::json_reference
