#pragma once

#include <optional>
#include <string>

namespace sweeplight::json_reference {

inline constexpr char kJSONScannerErrorDomain[] = "JSONScannerErrorDomain";
inline constexpr char kJSONDeserializerErrorDomain[] = "JSONDeserializerErrorDomain";

// Why a read failed: a domain, a code that is unique within it, and, for most errors, a
// sentence for people (the deserializer's "no data" error carries none).
struct JSONError {
    std::string domain;
    int code { 0 };
    std::optional<std::string> localizedDescription;
};

} // namespace sweeplight::json_reference
