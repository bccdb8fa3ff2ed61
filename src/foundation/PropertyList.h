#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sweeplight::foundation {

// A property-list value: a dictionary with text keys, an array, a text, an integer, a real,
// a boolean, a date or a block of bytes. Values own their children, so every container
// handed out by reference can be changed in place (the store edits its nested records so).
// Files are read and written in the XML form, in time linear in their size.
class PropertyList final {
public:
    enum class Type { Dictionary, Array, String, Integer, Real, Boolean, Date, Data };
    using Dictionary = std::map<std::string, PropertyList>;
    using Array = std::vector<PropertyList>;

    // An empty dictionary, the usual root.
    PropertyList() = default;

    static PropertyList dictionary(Dictionary entries = {});
    static PropertyList array(Array items = {});
    static PropertyList string(std::string text);
    static PropertyList integer(std::int64_t value);
    static PropertyList real(double value);
    static PropertyList boolean(bool value);
    static PropertyList date(QDateTime value);
    static PropertyList data(QByteArray bytes);

    // Whether a date can be written: common property-list readers (libplist among them) keep
    // dates as 32-bit seconds from the start of 2001, so roughly 1933 to 2069. A tree holding
    // any other date is not written at all.
    static bool canHoldDate(const QDateTime& date);

    Type type() const { return static_cast<Type>(value_.index()); }
    bool is(Type type) const { return this->type() == type; }

    // Typed access; null (or nullopt) when the value is of another type.
    Dictionary* asDictionary() { return std::get_if<Dictionary>(&value_); }
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&value_); }
    Array* asArray() { return std::get_if<Array>(&value_); }
    const Array* asArray() const { return std::get_if<Array>(&value_); }
    const std::string* asString() const { return std::get_if<std::string>(&value_); }
    std::optional<std::int64_t> asInteger() const;
    std::optional<double> asReal() const;
    std::optional<bool> asBoolean() const;
    std::optional<QDateTime> asDate() const;
    const QByteArray* asData() const { return std::get_if<QByteArray>(&value_); }

    // The integer a loosely typed reader would take from this value: integers as they are,
    // reals truncated towards zero, booleans as 0 or 1, texts by their leading decimal
    // number (0 when there is none); anything else gives 0.
    std::int64_t integerValue() const;

    // Dictionary members; lookups on a non-dictionary find nothing, and set() on one does
    // nothing and returns false.
    PropertyList* find(const std::string& key);
    const PropertyList* find(const std::string& key) const;
    bool set(const std::string& key, PropertyList value);

    // Parses an XML property list. On failure returns nullopt and, when given, a reason.
    // Containers nested more than a few hundred deep, and texts holding a NUL character, are
    // refused as broken. Keys and texts that are not well-formed UTF-8 are kept with U+FFFD in
    // place of each byte that is not.
    static std::optional<PropertyList> fromXml(std::string_view xml, std::string* error = nullptr);
    // Serialises as an XML property list (version 1.0). Keys and texts are written as
    // well-formed UTF-8, with U+FFFD for bytes that are not and for characters XML cannot carry.
    std::optional<std::string> toXml(std::string* error = nullptr) const;

    // Reads and parses a whole file, or a resource (":/..."). Anything but a regular file (a
    // FIFO, a device), and files over 64 MiB, are refused.
    static std::optional<PropertyList> readFile(const QString& path, std::string* error = nullptr);
    // Writes the XML form atomically: a temporary file beside the target is written, flushed
    // to disk and renamed over it, so a crash never leaves a half-written or empty file. The
    // file is readable and writable by its owner only.
    bool writeFile(const QString& path, std::string* error = nullptr) const;

    friend bool operator==(const PropertyList& a, const PropertyList& b) {
        return a.value_ == b.value_;
    }

private:
    using Value = std::variant<Dictionary, Array, std::string, std::int64_t, double, bool,
                               QDateTime, QByteArray>;
    // Built in place: a temporary variant moved into value_ trips a false uninitialised-use
    // warning in GCC 12.
    template <typename T>
    PropertyList(std::in_place_type_t<T> type, T&& content)
        : value_(type, std::forward<T>(content)) {}

    Value value_;
};

} // namespace sweeplight::foundation
