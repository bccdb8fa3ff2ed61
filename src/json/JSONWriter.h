#pragma once

#include <string>

namespace sweeplight::json {

class JSONValue;

// The value as compact JSON on one line: keys in byte order, no spaces, each number as the
// shortest text that reads back as the same double (infinities as 1e999 and -1e999, which read
// back as infinities), strings escaped as JSON requires and otherwise left as UTF-8.
std::string compactJSON(const JSONValue& value);

} // namespace sweeplight::json
