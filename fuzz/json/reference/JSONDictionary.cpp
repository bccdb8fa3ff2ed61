#include "reference/JSONDictionary.h"

#include <algorithm>

namespace sweeplight::json_reference {

namespace {

// Objects in service responses have a handful of members; below this many an insertion sort
// beats std::stable_sort, which allocates a buffer.
constexpr std::size_t kInsertionSortLimit = 24;

void sortByKeyKeepingOrderOfEqualKeys(std::vector<JSONDictionary::Entry>& entries) {
    auto byKey = [](const JSONDictionary::Entry& a, const JSONDictionary::Entry& b) {
        return a.first < b.first;
    };
    if (entries.size() > kInsertionSortLimit) {
        std::stable_sort(entries.begin(), entries.end(), byKey);
        return;
    }
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (!byKey(entries[i], entries[i - 1]))
            continue;
        JSONDictionary::Entry moving = std::move(entries[i]);
        std::size_t j = i;
        for (; j > 0 && byKey(moving, entries[j - 1]); --j)
            entries[j] = std::move(entries[j - 1]);
        entries[j] = std::move(moving);
    }
}

} // namespace

JSONDictionary::JSONDictionary(std::vector<Entry> entries)
    : entries_(std::move(entries)) {
    sortByKeyKeepingOrderOfEqualKeys(entries_);
    // Equal keys are now adjacent in reading order; the last of each run wins.
    auto kept = entries_.begin();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        auto next = it + 1;
        if (next != entries_.end() && next->first == it->first)
            continue;
        if (kept != it)
            *kept = std::move(*it);
        ++kept;
    }
    entries_.erase(kept, entries_.end());
}

const JSONValue* JSONDictionary::find(std::string_view key) const {
    auto it =
        std::lower_bound(entries_.begin(), entries_.end(), key,
                         [](const Entry& entry, std::string_view k) { return entry.first < k; });
    if (it == entries_.end() || it->first != key)
        return nullptr;
    return &it->second;
}

const std::string* JSONDictionary::findString(std::string_view key) const {
    const JSONValue* value = find(key);
    return value ? value->string() : nullptr;
}

const double* JSONDictionary::findNumber(std::string_view key) const {
    const JSONValue* value = find(key);
    return value ? value->number() : nullptr;
}

const bool* JSONDictionary::findBoolean(std::string_view key) const {
    const JSONValue* value = find(key);
    return value ? value->boolean() : nullptr;
}

const JSONArray* JSONDictionary::findArray(std::string_view key) const {
    const JSONValue* value = find(key);
    return value ? value->array() : nullptr;
}

const JSONDictionary* JSONDictionary::findDictionary(std::string_view key) const {
    const JSONValue* value = find(key);
    return value ? value->dictionary() : nullptr;
}

} // namespace sweeplight::json_reference
