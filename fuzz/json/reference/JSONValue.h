#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace sweeplight::json_reference {

class JSONDictionary;
class JSONValue;

// Arrays are handed out behind a shared pointer to const: copying a value never copies them,
// and nobody can change a tree that another part of the program also holds.
using JSONArray = std::vector<JSONValue>;

// The JSON null: a kind of its own, distinct from false, from 0 and from an absent entry.
struct JSONNull {
    bool operator==(const JSONNull&) const = default;
};

// One decoded JSON value. Text is UTF-8; every number is a double; true and false are
// booleans, not numbers. The accessors return nullptr when the value is of another kind, so
// a lookup reads `if (const std::string* title = value.string()) ...`.
class JSONValue final {
public:
    enum class Kind { null, boolean, number, string, array, dictionary };

    JSONValue() = default;
    JSONValue(JSONNull) {}
    explicit JSONValue(bool boolean)
        : storage_(boolean) {}
    explicit JSONValue(double number)
        : storage_(number) {}
    explicit JSONValue(std::string string)
        : storage_(std::move(string)) {}
    explicit JSONValue(const char* string)
        : storage_(std::string(string)) {}
    explicit JSONValue(std::shared_ptr<const JSONArray> array);
    explicit JSONValue(std::shared_ptr<const JSONDictionary> dictionary);

    static JSONValue null() { return JSONValue(); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isNull() const { return kind() == Kind::null; }

    const bool* boolean() const { return std::get_if<bool>(&storage_); }
    const double* number() const { return std::get_if<double>(&storage_); }
    const std::string* string() const { return std::get_if<std::string>(&storage_); }
    const JSONArray* array() const;
    const JSONDictionary* dictionary() const;

    // The containers themselves, for a caller that keeps a part of the tree.
    std::shared_ptr<const JSONArray> sharedArray() const;
    std::shared_ptr<const JSONDictionary> sharedDictionary() const;

    // Deep comparison; numbers compare as doubles (so 0 equals -0).
    bool operator==(const JSONValue& other) const;

private:
    // The order matches Kind.
    std::variant<JSONNull, bool, double, std::string, std::shared_ptr<const JSONArray>,
                 std::shared_ptr<const JSONDictionary>>
        storage_;
};

} // namespace sweeplight::json_reference
