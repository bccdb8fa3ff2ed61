#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sweeplight::json {

class JSONValue;
struct JSONMember;

namespace detail {
class Document;
class TreeBuilder;
struct ArrayHeader;
class DictionaryHeader;
} // namespace detail

// A read tree lives in one block of memory (its document) that holds every text, array and
// object of it. Values, arrays, objects and texts inside it are small views into that block;
// the document goes away with the last value, array or object that keeps it (the shared
// pointers the reader hands out, and any copy made of a part of the tree).

// Text: UTF-8 bytes (zero bytes included), read through std::string_view. It lives as long as
// the tree or value that holds it; copy it into a std::string to keep it longer.
class JSONString final {
public:
    std::size_t size() const {
        std::uint32_t length;
        std::memcpy(&length, record_, sizeof length);
        return length != kLongLength ? length : longSize();
    }
    const char* data() const {
        std::uint32_t length;
        std::memcpy(&length, record_, sizeof length);
        return reinterpret_cast<const char*>(record_) +
               (length != kLongLength ? sizeof length : kLongHeader);
    }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return { data(), size() }; }
    operator std::string_view() const { return view(); }
    operator std::string() const { return std::string(view()); }

    friend bool operator==(const JSONString& a, const JSONString& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const JSONString& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const JSONString& a, const char* b) { return a.view() == b; }
    friend bool operator==(const JSONString& a, const std::string& b) { return a.view() == b; }
    friend auto operator<=>(const JSONString& a, const JSONString& b) {
        return a.view() <=> b.view();
    }
    friend auto operator<=>(const JSONString& a, std::string_view b) { return a.view() <=> b; }
    friend std::ostream& operator<<(std::ostream& stream, const JSONString& string);

private:
    friend class JSONValue;
    friend class detail::TreeBuilder;

    // A record: the length as 32 bits, then the bytes. Texts of 4 GiB and more mark the short
    // length as long and follow it with the length as 64 bits.
    static constexpr std::uint32_t kLongLength = 0xFFFFFFFF;
    static constexpr std::size_t kLongHeader = sizeof(std::uint32_t) + sizeof(std::uint64_t);
    std::size_t longSize() const;

    explicit JSONString(const unsigned char* record)
        : record_(record) {}

    const unsigned char* record_;
};

// The elements of a JSON array, in order. Inside a tree it is a view; a copy keeps the tree
// alive.
class JSONArray final {
public:
    using value_type = JSONValue;
    using const_iterator = const JSONValue*;
    using iterator = const JSONValue*;

    JSONArray();
    explicit JSONArray(const std::vector<JSONValue>& values);
    JSONArray(const JSONArray& other);
    JSONArray& operator=(const JSONArray& other);
    ~JSONArray();

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    const JSONValue* begin() const;
    const JSONValue* end() const;
    const JSONValue& operator[](std::size_t index) const;
    const JSONValue& front() const { return (*this)[0]; }
    const JSONValue& back() const { return (*this)[size() - 1]; }

    bool operator==(const JSONArray& other) const;

private:
    friend class JSONValue;
    friend class detail::TreeBuilder;

    explicit JSONArray(const detail::ArrayHeader* header)
        : bits_(reinterpret_cast<std::uintptr_t>(header)) {}
    const detail::ArrayHeader* header() const {
        return reinterpret_cast<const detail::ArrayHeader*>(bits_ & ~std::uintptr_t { 1 });
    }

    // The header's address; the lowest bit is set on an array object that keeps its document.
    std::uintptr_t bits_;
};

// A JSON object: text keys to values, iterated in the byte order of the keys (which is code
// point order for UTF-8), one entry per key. Inside a tree it is a view; a copy keeps the tree
// alive. An object read from text is put in key order when it is first looked at, not while
// it is read.
class JSONDictionary final {
public:
    using Entry = std::pair<std::string, JSONValue>;
    using value_type = JSONMember;
    using const_iterator = const JSONMember*;
    using iterator = const JSONMember*;

    JSONDictionary();
    // Entries in the order they were read; of several with one key the last one stays.
    explicit JSONDictionary(std::vector<Entry> entries);
    JSONDictionary(const JSONDictionary& other);
    JSONDictionary& operator=(const JSONDictionary& other);
    ~JSONDictionary();

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    const JSONMember* begin() const;
    const JSONMember* end() const;

    const JSONValue* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    // Typed lookups: nullptr when the key is absent or holds a value of another kind.
    const JSONString* findString(std::string_view key) const;
    const double* findNumber(std::string_view key) const;
    const bool* findBoolean(std::string_view key) const;
    const JSONArray* findArray(std::string_view key) const;
    const JSONDictionary* findDictionary(std::string_view key) const;

    bool operator==(const JSONDictionary& other) const;

private:
    friend class JSONValue;
    friend class detail::TreeBuilder;

    explicit JSONDictionary(const detail::DictionaryHeader* header)
        : bits_(reinterpret_cast<std::uintptr_t>(header)) {}
    detail::DictionaryHeader* header() const {
        return reinterpret_cast<detail::DictionaryHeader*>(bits_ & ~std::uintptr_t { 1 });
    }
    // Sorts and drops overwritten keys the first time any reader looks.
    const detail::DictionaryHeader& ordered() const;

    // The header's address; the lowest bit is set on an object that keeps its document.
    std::uintptr_t bits_;
};

// The JSON null: a kind of its own, distinct from false, from 0 and from an absent entry.
struct JSONNull {
    bool operator==(const JSONNull&) const = default;
};

// One decoded JSON value. Text is UTF-8; every number is a double; true and false are
// booleans, not numbers. The accessors return nullptr when the value is of another kind, so
// a lookup reads `if (const JSONString* title = value.string()) ...`.
//
// A value inside a tree is a view into it; a copy of any value stands on its own (it keeps the
// tree of an array or object alive, and copies a text).
class JSONValue final {
public:
    enum class Kind { null, boolean, number, string, array, dictionary };

    JSONValue() = default;
    JSONValue(JSONNull) {}
    explicit JSONValue(bool boolean)
        : word_(static_cast<std::uint64_t>(Kind::boolean)) {
        payload_.boolean = boolean;
    }
    explicit JSONValue(double number)
        : word_(static_cast<std::uint64_t>(Kind::number)) {
        payload_.number = number;
    }
    explicit JSONValue(std::string_view string);
    explicit JSONValue(const std::string& string)
        : JSONValue(std::string_view(string)) {}
    explicit JSONValue(const char* string)
        : JSONValue(std::string_view(string)) {}
    explicit JSONValue(std::shared_ptr<const JSONArray> array);
    explicit JSONValue(std::shared_ptr<const JSONDictionary> dictionary);

    JSONValue(const JSONValue& other) { copyFrom(other); }
    JSONValue(JSONValue&& other) noexcept
        : payload_(other.payload_)
        , word_(other.word_) {
        other.word_ = 0;
    }
    JSONValue& operator=(const JSONValue& other);
    JSONValue& operator=(JSONValue&& other) noexcept {
        if (this != &other) {
            if (owns())
                release();
            payload_ = other.payload_;
            word_ = other.word_;
            other.word_ = 0;
        }
        return *this;
    }
    ~JSONValue() {
        if (owns())
            release();
    }

    static JSONValue null() { return JSONValue(); }

    Kind kind() const { return static_cast<Kind>(word_ & kKindMask); }
    bool isNull() const { return kind() == Kind::null; }

    const bool* boolean() const { return kind() == Kind::boolean ? &payload_.boolean : nullptr; }
    const double* number() const { return kind() == Kind::number ? &payload_.number : nullptr; }
    const JSONString* string() const { return kind() == Kind::string ? &payload_.string : nullptr; }
    const JSONArray* array() const { return kind() == Kind::array ? &payload_.array : nullptr; }
    const JSONDictionary* dictionary() const {
        return kind() == Kind::dictionary ? &payload_.dictionary : nullptr;
    }

    // The containers themselves, for a caller that keeps a part of the tree.
    std::shared_ptr<const JSONArray> sharedArray() const;
    std::shared_ptr<const JSONDictionary> sharedDictionary() const;

    // Deep comparison; numbers compare as doubles (so 0 equals -0).
    bool operator==(const JSONValue& other) const;

private:
    friend class JSONArray;
    friend class JSONDictionary;
    friend class detail::TreeBuilder;

    static constexpr std::uint64_t kKindMask = 7;
    // Set on a value that holds a reference to the document its text or container is in.
    static constexpr std::uint64_t kOwns = 8;

    bool owns() const { return (word_ & kOwns) != 0; }
    detail::Document* document() const;
    void release();
    void copyFrom(const JSONValue& other);

    // Every member is a plain view (pointers, or a number): the value's own word says which
    // one is there and whether the value holds a reference, so the members are copied as bytes.
    union Payload {
        double number;
        bool boolean;
        JSONString string;
        JSONArray array;
        JSONDictionary dictionary;

        Payload()
            : number(0) {}
        Payload(const Payload& other) {
            std::memcpy(static_cast<void*>(this), &other, sizeof *this);
        }
        Payload& operator=(const Payload& other) {
            std::memcpy(static_cast<void*>(this), &other, sizeof *this);
            return *this;
        }
        ~Payload() {}
    } payload_;
    std::uint64_t word_ { 0 };
};

static_assert(sizeof(JSONValue) == 16);

// One entry of an object: `first` is the key, `second` the value.
struct JSONMember {
    JSONString first;
    JSONValue second;
};

} // namespace sweeplight::json
