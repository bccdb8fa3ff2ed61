#include "json/JSONDictionary.h"

#include "json/detail/Document.h"
#include <algorithm>
#include <mutex>

namespace sweeplight::json {

using detail::DictionaryHeader;
using detail::TreeBuilder;

namespace {

// Objects in service responses have a handful of members; below this many an insertion sort
// beats std::stable_sort, which allocates a buffer.
constexpr std::size_t kInsertionSortLimit = 24;

bool byKey(const JSONMember& a, const JSONMember& b) {
    return a.first.view() < b.first.view();
}

// Key order, the last of several equal keys kept; returns the number of members left.
std::size_t orderMembers(JSONMember* members, std::size_t size) {
    if (size > kInsertionSortLimit) {
        std::stable_sort(members, members + size, byKey);
    } else {
        for (std::size_t i = 1; i < size; ++i) {
            if (!byKey(members[i], members[i - 1]))
                continue;
            JSONMember moving = std::move(members[i]);
            std::size_t j = i;
            for (; j > 0 && byKey(moving, members[j - 1]); --j)
                members[j] = std::move(members[j - 1]);
            members[j] = std::move(moving);
        }
    }
    // Equal keys are now adjacent in reading order; the last of each run wins.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (i + 1 < size && members[i + 1].first.view() == members[i].first.view())
            continue;
        if (kept != i)
            members[kept] = std::move(members[i]);
        ++kept;
    }
    return kept;
}

} // namespace

JSONDictionary::JSONDictionary()
    : JSONDictionary(TreeBuilder::emptyDictionary()) {}

JSONDictionary::JSONDictionary(std::vector<Entry> entries)
    : JSONDictionary(TreeBuilder::emptyDictionary()) {
    if (entries.empty())
        return;
    std::size_t bytes = sizeof(DictionaryHeader) + entries.size() * sizeof(JSONMember);
    for (const Entry& entry : entries)
        bytes += TreeBuilder::kTextLengthRoom + entry.first.size();
    detail::Document* document = detail::Document::create(bytes);
    DictionaryHeader* header = TreeBuilder::newDictionary(*document, entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned char* key = TreeBuilder::copyText(*document, entries[i].first);
        TreeBuilder::placeMember(header->members() + i, key,
                                 TreeBuilder::adopt(*document, entries[i].second));
    }
    // The reference the document was made with is this object's.
    bits_ = reinterpret_cast<std::uintptr_t>(header) | 1;
}

JSONDictionary::JSONDictionary(const JSONDictionary& other)
    : bits_(reinterpret_cast<std::uintptr_t>(other.header())) {
    if (detail::Document* document = header()->document()) {
        document->retain();
        bits_ |= 1;
    }
}

JSONDictionary& JSONDictionary::operator=(const JSONDictionary& other) {
    if (this != &other) {
        JSONDictionary copy(other);
        std::swap(bits_, copy.bits_);
    }
    return *this;
}

JSONDictionary::~JSONDictionary() {
    if (bits_ & 1)
        header()->document()->release();
}

const DictionaryHeader& JSONDictionary::ordered() const {
    DictionaryHeader* header = this->header();
    if (!header->ordered()) {
        // Readers of one tree may share it across threads; the first one orders it.
        std::lock_guard lock(header->document()->orderingLock());
        if (!header->ordered()) {
            header->size = orderMembers(header->members(), header->size);
            header->markOrdered();
        }
    }
    return *header;
}

std::size_t JSONDictionary::size() const {
    return ordered().size;
}

const JSONMember* JSONDictionary::begin() const {
    return const_cast<DictionaryHeader&>(ordered()).members();
}

const JSONMember* JSONDictionary::end() const {
    DictionaryHeader& header = const_cast<DictionaryHeader&>(ordered());
    return header.members() + header.size;
}

const JSONValue* JSONDictionary::find(std::string_view key) const {
    const JSONMember* first = begin();
    const JSONMember* last = end();
    const JSONMember* it =
        std::lower_bound(first, last, key, [](const JSONMember& member, std::string_view k) {
            return member.first.view() < k;
        });
    if (it == last || it->first.view() != key)
        return nullptr;
    return &it->second;
}

const JSONString* JSONDictionary::findString(std::string_view key) const {
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

bool JSONDictionary::operator==(const JSONDictionary& other) const {
    if (header() == other.header())
        return true;
    if (size() != other.size())
        return false;
    const JSONMember* a = begin();
    const JSONMember* b = other.begin();
    for (std::size_t i = 0; i < size(); ++i)
        if (a[i].first.view() != b[i].first.view() || !(a[i].second == b[i].second))
            return false;
    return true;
}

} // namespace sweeplight::json
