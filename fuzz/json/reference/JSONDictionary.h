#pragma once

#include "reference/JSONValue.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sweeplight::json_reference {

// A JSON object: text keys to values, iterated in the byte order of the keys (which is code
// point order for UTF-8), one entry per key.
class JSONDictionary final {
public:
    using Entry = std::pair<std::string, JSONValue>;

    JSONDictionary() = default;
    // Entries in the order they were read; of several with one key the last one stays.
    explicit JSONDictionary(std::vector<Entry> entries);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }

    const JSONValue* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    // Typed lookups: nullptr when the key is absent or holds a value of another kind.
    const std::string* findString(std::string_view key) const;
    const double* findNumber(std::string_view key) const;
    const bool* findBoolean(std::string_view key) const;
    const JSONArray* findArray(std::string_view key) const;
    const JSONDictionary* findDictionary(std::string_view key) const;

    bool operator==(const JSONDictionary& other) const { return entries_ == other.entries_; }

private:
    std::vector<Entry> entries_;
};

} // namespace sweeplight::json_reference
