#include "PropertyList.h"

#include <QFile>
#include <QSaveFile>
#include <QTimeZone>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace sweeplight::foundation {

namespace {

// Property-list dates count from the start of 2001, UTC.
const QDateTime& referenceDate() {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference;
}

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

struct MallocFree {
    void operator()(void* memory) const { std::free(memory); }
};
using MallocText = std::unique_ptr<char, MallocFree>;

// The deepest nesting we accept: deeper trees come only from hostile files and would exhaust
// the stack of the recursive conversion.
constexpr int kMaximumDepth = 256;

// Whether a container tag starts at `position` (just after its '<' or '</').
bool isContainerTag(std::string_view xml, std::size_t position) {
    for (std::string_view name : { std::string_view("array"), std::string_view("dict") }) {
        const std::size_t after = position + name.size();
        if (xml.substr(position, name.size()) == name && after < xml.size() &&
            (xml[after] == '>' || xml[after] == '/' ||
             std::isspace(static_cast<unsigned char>(xml[after]))))
            return true;
    }
    return false;
}

// Whether the tag that starts at `position` closes itself ("<array/>"); its end is looked for
// outside quoted attribute values, and never past the next '<', which keeps the scan linear.
bool closesItself(std::string_view xml, std::size_t position) {
    char quote = 0;
    for (++position; position < xml.size() && xml[position] != '<'; ++position) {
        const char c = xml[position];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return xml[position - 1] == '/';
    }
    return false;
}

// libplist's XML reader recurses once per container and has no limit of its own, so a deep
// file overflows the stack before there is a tree to check: the text is measured first.
// Comments, CDATA and declarations are skipped, so that closing tags written inside them cannot
// hide real depth; everything else that looks like a container tag counts, which errs on the
// side of refusing.
bool nestingWithinLimit(std::string_view xml) {
    constexpr std::pair<std::string_view, std::string_view> skipped[] = {
        { "<!--", "-->" }, { "<![CDATA[", "]]>" }, { "<!", ">" }, { "<?", ">" }
    };
    int depth = 0;
    std::size_t position = 0;
    while ((position = xml.find('<', position)) != std::string_view::npos) {
        const std::string_view rest = xml.substr(position);
        const auto skip =
            std::find_if(std::begin(skipped), std::end(skipped),
                         [&](const auto& pair) { return rest.starts_with(pair.first); });
        if (skip != std::end(skipped)) {
            const std::size_t end = xml.find(skip->second, position + skip->first.size());
            if (end == std::string_view::npos)
                return true; // unfinished: the parser refuses the file
            position = end + skip->second.size();
            continue;
        }
        if (rest.starts_with("</")) {
            if (isContainerTag(xml, position + 2))
                --depth;
        } else if (isContainerTag(xml, position + 1) && !closesItself(xml, position) &&
                   ++depth > kMaximumDepth) {
            return false;
        }
        ++position;
    }
    return true;
}

std::optional<PropertyList> fromNode(plist_t node, int depth, std::string* error) {
    if (depth > kMaximumDepth) {
        if (error)
            *error = "property list nested too deeply";
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        PropertyList::Dictionary entries;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        std::unique_ptr<void, MallocFree> iteratorOwner(iterator);
        for (;;) {
            char* rawKey = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, iterator, &rawKey, &child);
            MallocText key(rawKey);
            if (!key || !child)
                break;
            auto value = fromNode(child, depth + 1, error);
            if (!value)
                return std::nullopt;
            entries.insert_or_assign(key.get(), std::move(*value));
        }
        return PropertyList::dictionary(std::move(entries));
    }
    case PLIST_ARRAY: {
        PropertyList::Array items;
        const uint32_t count = plist_array_get_size(node);
        items.reserve(count);
        for (uint32_t index = 0; index < count; ++index) {
            auto value = fromNode(plist_array_get_item(node, index), depth + 1, error);
            if (!value)
                return std::nullopt;
            items.push_back(std::move(*value));
        }
        return PropertyList::array(std::move(items));
    }
    case PLIST_STRING: {
        char* raw = nullptr;
        plist_get_string_val(node, &raw);
        MallocText text(raw);
        return PropertyList::string(text ? std::string(text.get()) : std::string());
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // libplist keeps every integer in 64 unsigned bits; negative ones come back in two's
        // complement.
        return PropertyList::integer(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyList::real(value);
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyList::boolean(value != 0);
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        const qint64 milliseconds = qint64(seconds) * 1000 + microseconds / 1000;
        return PropertyList::date(referenceDate().addMSecs(milliseconds));
    }
    case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        MallocText bytes(raw);
        return PropertyList::data(QByteArray(bytes.get(), qsizetype(length)));
    }
    default:
        if (error)
            *error = "property list holds a value of an unsupported type";
        return std::nullopt;
    }
}

plist_t toNode(const PropertyList& value) {
    switch (value.type()) {
    case PropertyList::Type::Dictionary: {
        plist_t node = plist_new_dict();
        for (const auto& [key, child] : *value.asDictionary())
            plist_dict_set_item(node, key.c_str(), toNode(child));
        return node;
    }
    case PropertyList::Type::Array: {
        plist_t node = plist_new_array();
        for (const auto& child : *value.asArray())
            plist_array_append_item(node, toNode(child));
        return node;
    }
    case PropertyList::Type::String:
        return plist_new_string(value.asString()->c_str());
    case PropertyList::Type::Integer:
        return plist_new_uint(static_cast<uint64_t>(*value.asInteger()));
    case PropertyList::Type::Real:
        return plist_new_real(*value.asReal());
    case PropertyList::Type::Boolean:
        return plist_new_bool(*value.asBoolean() ? 1 : 0);
    case PropertyList::Type::Date: {
        const qint64 milliseconds = referenceDate().msecsTo(*value.asDate());
        qint64 seconds = milliseconds / 1000;
        qint64 remainder = milliseconds % 1000;
        if (remainder < 0) {
            seconds -= 1;
            remainder += 1000;
        }
        return plist_new_date(int32_t(seconds), int32_t(remainder * 1000));
    }
    case PropertyList::Type::Data: {
        const QByteArray* bytes = value.asData();
        return plist_new_data(bytes->constData(), uint64_t(bytes->size()));
    }
    }
    return plist_new_dict();
}

bool allDatesFit(const PropertyList& value) {
    switch (value.type()) {
    case PropertyList::Type::Dictionary:
        for (const auto& [key, child] : *value.asDictionary())
            if (!allDatesFit(child))
                return false;
        return true;
    case PropertyList::Type::Array:
        for (const auto& child : *value.asArray())
            if (!allDatesFit(child))
                return false;
        return true;
    case PropertyList::Type::Date:
        return PropertyList::canHoldDate(*value.asDate());
    default:
        return true;
    }
}

} // namespace

PropertyList PropertyList::dictionary(Dictionary entries) {
    return PropertyList(std::in_place_type<Dictionary>, std::move(entries));
}
PropertyList PropertyList::array(Array items) {
    return PropertyList(std::in_place_type<Array>, std::move(items));
}
PropertyList PropertyList::string(std::string text) {
    return PropertyList(std::in_place_type<std::string>, std::move(text));
}
PropertyList PropertyList::integer(std::int64_t value) {
    return PropertyList(std::in_place_type<std::int64_t>, std::move(value));
}
PropertyList PropertyList::real(double value) {
    return PropertyList(std::in_place_type<double>, std::move(value));
}
PropertyList PropertyList::boolean(bool value) {
    return PropertyList(std::in_place_type<bool>, std::move(value));
}
PropertyList PropertyList::date(QDateTime value) {
    return PropertyList(std::in_place_type<QDateTime>, std::move(value));
}
PropertyList PropertyList::data(QByteArray bytes) {
    return PropertyList(std::in_place_type<QByteArray>, std::move(bytes));
}

bool PropertyList::canHoldDate(const QDateTime& date) {
    const qint64 seconds = referenceDate().secsTo(date);
    return date.isValid() && seconds >= std::numeric_limits<int32_t>::min() &&
           seconds < std::numeric_limits<int32_t>::max();
}

std::optional<std::int64_t> PropertyList::asInteger() const {
    if (auto value = std::get_if<std::int64_t>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<double> PropertyList::asReal() const {
    if (auto value = std::get_if<double>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<bool> PropertyList::asBoolean() const {
    if (auto value = std::get_if<bool>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<QDateTime> PropertyList::asDate() const {
    if (auto value = std::get_if<QDateTime>(&value_))
        return *value;
    return std::nullopt;
}

std::int64_t PropertyList::integerValue() const {
    if (auto value = asInteger())
        return *value;
    if (auto value = asBoolean())
        return *value ? 1 : 0;
    if (auto value = asReal()) {
        if (!std::isfinite(*value))
            return 0;
        if (*value >= 9.2e18)
            return std::numeric_limits<std::int64_t>::max();
        if (*value <= -9.2e18)
            return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(*value);
    }
    if (auto text = asString()) {
        // Leading blanks, an optional sign, then digits; whatever follows is ignored.
        std::size_t position = text->find_first_not_of(" \t\n\r");
        if (position == std::string::npos)
            return 0;
        bool negative = false;
        if ((*text)[position] == '+' || (*text)[position] == '-') {
            negative = (*text)[position] == '-';
            ++position;
        }
        std::int64_t result = 0;
        constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10 - 1;
        for (; position < text->size() && (*text)[position] >= '0' && (*text)[position] <= '9';
             ++position) {
            if (result > limit)
                return negative ? std::numeric_limits<std::int64_t>::min()
                                : std::numeric_limits<std::int64_t>::max();
            result = result * 10 + ((*text)[position] - '0');
        }
        return negative ? -result : result;
    }
    return 0;
}

PropertyList* PropertyList::find(const std::string& key) {
    auto entries = asDictionary();
    if (!entries)
        return nullptr;
    auto found = entries->find(key);
    return found == entries->end() ? nullptr : &found->second;
}

const PropertyList* PropertyList::find(const std::string& key) const {
    return const_cast<PropertyList*>(this)->find(key);
}

bool PropertyList::set(const std::string& key, PropertyList value) {
    auto entries = asDictionary();
    if (!entries)
        return false;
    entries->insert_or_assign(key, std::move(value));
    return true;
}

std::optional<PropertyList> PropertyList::fromXml(std::string_view xml, std::string* error) {
    if (xml.empty() || xml.size() > std::numeric_limits<uint32_t>::max()) {
        if (error)
            *error = xml.empty() ? "empty property list" : "property list too large";
        return std::nullopt;
    }
    if (!nestingWithinLimit(xml)) {
        if (error)
            *error = "property list nested too deeply";
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_xml(xml.data(), uint32_t(xml.size()), &raw);
    PlistHandle root(raw);
    if (!root) {
        if (error)
            *error = "not an XML property list";
        return std::nullopt;
    }
    return fromNode(root.get(), 0, error);
}

std::optional<std::string> PropertyList::toXml(std::string* error) const {
    if (!allDatesFit(*this)) {
        if (error)
            *error = "a date lies outside what a property list can hold";
        return std::nullopt;
    }
    PlistHandle root(toNode(*this));
    char* raw = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &raw, &length);
    if (!raw) {
        if (error)
            *error = "property list could not be serialised";
        return std::nullopt;
    }
    std::string xml(raw, length);
    plist_to_xml_free(raw);
    return xml;
}

std::optional<PropertyList> PropertyList::readFile(const QString& path, std::string* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString().toStdString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    return fromXml(std::string_view(bytes.constData(), std::size_t(bytes.size())), error);
}

bool PropertyList::writeFile(const QString& path, std::string* error) const {
    auto xml = toXml(error);
    if (!xml)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString().toStdString();
        return false;
    }
    if (file.write(xml->data(), qint64(xml->size())) != qint64(xml->size())) {
        if (error)
            *error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    // commit() flushes the temporary file to disk and renames it over the target.
    if (!file.commit()) {
        if (error)
            *error = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace sweeplight::foundation
