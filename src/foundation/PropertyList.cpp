#include "PropertyList.h"

#include "InputFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace sweeplight::foundation {

namespace {

// Property-list dates count from the start of 2001, UTC.
const QDateTime& referenceDate() {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference;
}

// The deepest nesting we accept: deeper trees come only from hostile files and would exhaust
// the stack of the recursive reader.
constexpr int kMaximumDepth = 256;

// The largest file readFile() takes in; the client's files are a few hundred bytes, so anything
// near this is not one of ours.
constexpr std::int64_t kMaximumFileSize = std::int64_t(64) << 20;
constexpr const char* kMaximumFileSizeText = "64 MiB";

constexpr std::string_view kReplacementCharacter = "\xef\xbf\xbd";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xc0 | (codePoint >> 6));
        out += char(0x80 | (codePoint & 0x3f));
    } else if (codePoint < 0x10000) {
        out += char(0xe0 | (codePoint >> 12));
        out += char(0x80 | ((codePoint >> 6) & 0x3f));
        out += char(0x80 | (codePoint & 0x3f));
    } else {
        out += char(0xf0 | (codePoint >> 18));
        out += char(0x80 | ((codePoint >> 12) & 0x3f));
        out += char(0x80 | ((codePoint >> 6) & 0x3f));
        out += char(0x80 | (codePoint & 0x3f));
    }
}

// The length of the well-formed UTF-8 sequence at `position` (no overlong forms, surrogates or
// code points past U+10FFFF), 0 when there is none; the code point goes to `codePoint`.
std::size_t sequenceLength(std::string_view text, std::size_t position, char32_t& codePoint) {
    const auto byte = [&](std::size_t offset) {
        return position + offset < text.size() ? static_cast<unsigned char>(text[position + offset])
                                               : 0u;
    };
    const unsigned lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, codePoint = lead & 0x1f, minimum = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, codePoint = lead & 0x0f, minimum = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    for (std::size_t offset = 1; offset < length; ++offset) {
        const unsigned next = byte(offset);
        if ((next & 0xc0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3f);
    }
    if (codePoint < minimum || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint < 0xe000))
        return 0;
    return length;
}

// Characters an XML 1.0 document cannot carry, even escaped.
bool isXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xa || c == 0xd || (c >= 0x20 && c != 0xfffe && c != 0xffff);
}

// The text as well-formed UTF-8: every byte that starts no valid sequence becomes U+FFFD. With
// `forXml`, characters XML cannot carry are replaced too. Most texts are plain ASCII and are
// returned as they are.
std::string wellFormed(std::string_view text, bool forXml) {
    const bool plain = std::all_of(text.begin(), text.end(), [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x80 && (!forXml || isXmlCharacter(byte));
    });
    if (plain)
        return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t position = 0; position < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = sequenceLength(text, position, codePoint);
        if (length == 0 || (forXml && !isXmlCharacter(codePoint))) {
            out += kReplacementCharacter;
            position += length ? length : 1;
        } else {
            out.append(text.substr(position, length));
            position += length;
        }
    }
    return out;
}

// Reads the XML form of a property list in one pass. Keys of a dictionary written in order
// (as toXml() writes them) are appended at the end of the map, so reading stays linear in the
// size of the file. Texts come back as well-formed UTF-8; a NUL character, which no text of
// the rest of the program could carry, refuses the file.
class XmlReader {
public:
    explicit XmlReader(std::string_view xml)
        : xml_(xml) {}

    std::optional<PropertyList> document(std::string* error) {
        auto result = readDocument();
        if (!result && error)
            *error = error_.empty() ? std::string("not an XML property list") : error_;
        return result;
    }

private:
    struct Tag {
        std::string_view name;
        bool closing = false;
        bool empty = false; // "<name/>"
    };

    std::nullopt_t fail(const std::string& message) {
        if (error_.empty())
            error_ = message;
        return std::nullopt;
    }

    bool startsWith(std::string_view prefix) const {
        return xml_.substr(position_).starts_with(prefix);
    }

    // Skips from `position_` past `end`; false when the document ends first.
    bool skipPast(std::string_view end) {
        const std::size_t found = xml_.find(end, position_);
        if (found == std::string_view::npos)
            return false;
        position_ = found + end.size();
        return true;
    }

    // A document type declaration, with its internal subset and quoted literals.
    bool skipDoctype() {
        char quote = 0;
        int brackets = 0;
        for (position_ += 2; position_ < xml_.size(); ++position_) {
            const char c = xml_[position_];
            if (quote)
                quote = c == quote ? 0 : quote;
            else if (c == '"' || c == '\'')
                quote = c;
            else if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (c == '>' && brackets <= 0) {
                ++position_;
                return true;
            }
        }
        return false;
    }

    // Skips blanks, comments and processing instructions (and the document type where
    // allowed); false on an unfinished one or on text where only markup may stand.
    bool skipMisc(bool allowDoctype = false) {
        for (;;) {
            while (position_ < xml_.size() && isSpace(xml_[position_]))
                ++position_;
            if (position_ >= xml_.size())
                return true;
            if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return fail("unfinished comment"), false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return fail("unfinished processing instruction"), false;
            } else if (allowDoctype && startsWith("<!DOCTYPE")) {
                if (!skipDoctype())
                    return fail("unfinished document type"), false;
            } else if (xml_[position_] == '<') {
                return true;
            } else {
                return fail("text where an element was expected"), false;
            }
        }
    }

    bool readTag(Tag& tag) {
        if (position_ >= xml_.size() || xml_[position_] != '<')
            return fail("an element was expected"), false;
        ++position_;
        tag = Tag {};
        if (position_ < xml_.size() && xml_[position_] == '/') {
            tag.closing = true;
            ++position_;
        }
        const std::size_t nameStart = position_;
        while (position_ < xml_.size() && !isSpace(xml_[position_]) && xml_[position_] != '>' &&
               xml_[position_] != '/' && xml_[position_] != '<')
            ++position_;
        tag.name = xml_.substr(nameStart, position_ - nameStart);
        if (tag.name.empty())
            return fail("an element without a name"), false;
        // Attributes are skipped; quoted values may hold '>' or '/'.
        char quote = 0;
        for (; position_ < xml_.size(); ++position_) {
            const char c = xml_[position_];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                break;
            } else if (c == '>') {
                tag.empty = xml_[position_ - 1] == '/';
                ++position_;
                if (tag.closing && tag.empty)
                    return fail("a malformed closing tag"), false;
                return true;
            }
        }
        return fail("unfinished tag <" + std::string(tag.name.substr(0, 40)) + ">"), false;
    }

    // The character content of the element just opened, up to its closing tag, with entities
    // and character references resolved and CDATA sections taken as they are.
    bool readText(const Tag& open, std::string& out) {
        out.clear();
        if (open.empty)
            return true;
        for (;;) {
            const std::size_t special = xml_.find_first_of("<&", position_);
            if (special == std::string_view::npos)
                return fail("unfinished <" + std::string(open.name) + ">"), false;
            out.append(xml_.substr(position_, special - position_));
            position_ = special;
            if (xml_[position_] == '&') {
                if (!readReference(out))
                    return false;
            } else if (startsWith("<![CDATA[")) {
                const std::size_t start = position_ + 9;
                if (!skipPast("]]>"))
                    return fail("unfinished CDATA section"), false;
                out.append(xml_.substr(start, position_ - 3 - start));
            } else if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return fail("unfinished comment"), false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return fail("unfinished processing instruction"), false;
            } else {
                Tag close;
                if (!readTag(close))
                    return false;
                if (!close.closing || close.name != open.name)
                    return fail(std::string("<").append(open.name).append("> holds markup")), false;
                break;
            }
        }
        if (out.find('\0') != std::string::npos)
            return fail("a text holds a NUL character"), false;
        return true;
    }

    bool readReference(std::string& out) {
        const std::size_t end = xml_.find(';', position_);
        if (end == std::string_view::npos || end - position_ > 12)
            return fail("a malformed entity reference"), false;
        const std::string_view name = xml_.substr(position_ + 1, end - position_ - 1);
        position_ = end + 1;
        constexpr std::pair<std::string_view, char> named[] = {
            { "amp", '&' }, { "lt", '<' }, { "gt", '>' }, { "apos", '\'' }, { "quot", '"' }
        };
        for (const auto& [entity, character] : named)
            if (name == entity) {
                out += character;
                return true;
            }
        if (name.size() < 2 || name[0] != '#')
            return fail("an unknown entity &" + std::string(name) + ";"), false;
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t codePoint = 0;
        const auto [end_, status] =
            std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, hex ? 16 : 10);
        if (digits.empty() || status != std::errc() || end_ != digits.data() + digits.size() ||
            codePoint == 0 || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint < 0xe000))
            return fail("an invalid character reference &" + std::string(name) + ";"), false;
        appendUtf8(out, codePoint);
        return true;
    }

    std::optional<PropertyList> readDocument() {
        if (xml_.empty())
            return fail("empty property list");
        if (startsWith("\xef\xbb\xbf"))
            position_ = 3;
        Tag tag;
        if (!skipMisc(true) || !readTag(tag))
            return std::nullopt;
        std::optional<PropertyList> root;
        if (tag.name == "plist" && !tag.closing) {
            if (tag.empty)
                return fail("empty property list");
            Tag content;
            if (!skipMisc() || !readTag(content) || !(root = readValue(content, 0)))
                return std::nullopt;
            Tag close;
            if (!skipMisc() || !readTag(close))
                return std::nullopt;
            if (!close.closing || close.name != "plist")
                return fail("<plist> holds more than one value");
        } else if (!(root = readValue(tag, 0))) {
            return std::nullopt;
        }
        if (!skipMisc() || position_ != xml_.size())
            return fail("content after the property list");
        return root;
    }

    std::optional<PropertyList> readValue(const Tag& tag, int depth) {
        if (depth > kMaximumDepth)
            return fail("property list nested too deeply");
        if (tag.closing)
            return fail("unexpected </" + std::string(tag.name.substr(0, 40)) + ">");
        const std::string_view name = tag.name;
        if (name == "dict")
            return readDictionary(tag, depth);
        if (name == "array")
            return readArray(tag, depth);
        if (name == "true" || name == "false") {
            std::string text;
            if (!readText(tag, text))
                return std::nullopt;
            if (!trimmed(text).empty())
                return fail("<" + std::string(name) + "> holds text");
            return PropertyList::boolean(name == "true");
        }
        std::string text;
        if (name == "string") {
            if (!readText(tag, text))
                return std::nullopt;
            return PropertyList::string(wellFormed(text, false));
        }
        if (name == "integer") {
            if (!readText(tag, text))
                return std::nullopt;
            return integerFrom(trimmed(text));
        }
        if (name == "real") {
            if (!readText(tag, text))
                return std::nullopt;
            return realFrom(trimmed(text));
        }
        if (name == "date") {
            if (!readText(tag, text))
                return std::nullopt;
            QDateTime date = QDateTime::fromString(QString::fromUtf8(trimmed(text)), Qt::ISODate);
            if (!date.isValid())
                return fail("a malformed date");
            if (date.timeSpec() == Qt::LocalTime)
                date.setTimeZone(QTimeZone::utc());
            return PropertyList::date(date.toUTC());
        }
        if (name == "data") {
            if (!readText(tag, text))
                return std::nullopt;
            std::erase_if(text, isSpace);
            auto decoded =
                QByteArray::fromBase64Encoding(QByteArray(text.data(), qsizetype(text.size())),
                                               QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return fail("a malformed data block");
            return PropertyList::data(std::move(*decoded));
        }
        if (name == "key")
            return fail("a key outside a dictionary");
        return fail("property list holds a value of an unsupported type");
    }

    std::optional<PropertyList> readDictionary(const Tag& open, int depth) {
        PropertyList::Dictionary entries;
        if (open.empty)
            return PropertyList::dictionary();
        std::string key;
        for (;;) {
            Tag tag;
            if (!skipMisc() || !readTag(tag))
                return std::nullopt;
            if (tag.closing && tag.name == "dict")
                break;
            if (tag.closing || tag.name != "key")
                return fail("a dictionary member without a key");
            if (!readText(tag, key))
                return std::nullopt;
            Tag valueTag;
            if (!skipMisc() || !readTag(valueTag))
                return std::nullopt;
            if (valueTag.closing)
                return fail("a dictionary key without a value");
            auto value = readValue(valueTag, depth + 1);
            if (!value)
                return std::nullopt;
            // A repeated key keeps its last value.
            entries.insert_or_assign(entries.end(), wellFormed(key, false), std::move(*value));
        }
        return PropertyList::dictionary(std::move(entries));
    }

    std::optional<PropertyList> readArray(const Tag& open, int depth) {
        PropertyList::Array items;
        if (open.empty)
            return PropertyList::array();
        for (;;) {
            Tag tag;
            if (!skipMisc() || !readTag(tag))
                return std::nullopt;
            if (tag.closing && tag.name == "array")
                break;
            auto value = readValue(tag, depth + 1);
            if (!value)
                return std::nullopt;
            items.push_back(std::move(*value));
        }
        return PropertyList::array(std::move(items));
    }

    // Decimal or "0x" hexadecimal, with an optional sign. Values past the signed range up to
    // 2^64 - 1 are kept in two's complement, as property-list writers store unsigned integers.
    std::optional<PropertyList> integerFrom(std::string_view text) {
        bool negative = false;
        if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
            negative = text[0] == '-';
            text.remove_prefix(1);
        }
        int base = 10;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            text.remove_prefix(2);
        }
        std::uint64_t magnitude = 0;
        const auto [end, status] =
            std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
        if (text.empty() || status != std::errc() || end != text.data() + text.size() ||
            (negative && magnitude > std::uint64_t(1) << 63))
            return fail("a malformed or out-of-range integer");
        return PropertyList::integer(
            static_cast<std::int64_t>(negative ? std::uint64_t(0) - magnitude : magnitude));
    }

    std::optional<PropertyList> realFrom(std::string_view text) {
        if (!text.empty() && text[0] == '+')
            text.remove_prefix(1);
        double value = 0;
        const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || status != std::errc() || end != text.data() + text.size())
            return fail("a malformed or out-of-range real number");
        return PropertyList::real(value);
    }

    std::string_view xml_;
    std::size_t position_ = 0;
    std::string error_;
};

void appendEscaped(std::string& out, std::string_view text) {
    const std::string clean = wellFormed(text, true);
    std::size_t start = 0;
    for (std::size_t position = 0; position < clean.size(); ++position) {
        const char* replacement = nullptr;
        switch (clean[position]) {
        case '&':
            replacement = "&amp;";
            break;
        case '<':
            replacement = "&lt;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        // A bare carriage return would be read back as a line feed by XML readers.
        case '\r':
            replacement = "&#13;";
            break;
        default:
            continue;
        }
        out.append(clean, start, position - start);
        out += replacement;
        start = position + 1;
    }
    out.append(clean, start);
}

void writeValue(std::string& out, const PropertyList& value, int depth) {
    const auto indent = [&](int level) { out.append(std::size_t(level), '\t'); };
    switch (value.type()) {
    case PropertyList::Type::Dictionary: {
        const auto& entries = *value.asDictionary();
        if (entries.empty()) {
            out += "<dict/>\n";
            return;
        }
        out += "<dict>\n";
        for (const auto& [key, child] : entries) {
            indent(depth + 1);
            out += "<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            indent(depth + 1);
            writeValue(out, child, depth + 1);
        }
        indent(depth);
        out += "</dict>\n";
        return;
    }
    case PropertyList::Type::Array: {
        const auto& items = *value.asArray();
        if (items.empty()) {
            out += "<array/>\n";
            return;
        }
        out += "<array>\n";
        for (const auto& child : items) {
            indent(depth + 1);
            writeValue(out, child, depth + 1);
        }
        indent(depth);
        out += "</array>\n";
        return;
    }
    case PropertyList::Type::String:
        out += "<string>";
        appendEscaped(out, *value.asString());
        out += "</string>\n";
        return;
    case PropertyList::Type::Integer:
        out += "<integer>" + std::to_string(*value.asInteger()) + "</integer>\n";
        return;
    case PropertyList::Type::Real: {
        const double real = *value.asReal();
        out += "<real>";
        if (std::isnan(real)) {
            out += "nan";
        } else if (std::isinf(real)) {
            out += real > 0 ? "+infinity" : "-infinity";
        } else {
            char buffer[32];
            const auto result = std::to_chars(std::begin(buffer), std::end(buffer), real);
            out.append(buffer, result.ptr);
        }
        out += "</real>\n";
        return;
    }
    case PropertyList::Type::Boolean:
        out += *value.asBoolean() ? "<true/>\n" : "<false/>\n";
        return;
    case PropertyList::Type::Date: {
        // Whole seconds, as the format has no fraction.
        const qint64 milliseconds = referenceDate().msecsTo(*value.asDate());
        const qint64 seconds = milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0);
        out += "<date>" +
               referenceDate()
                   .addSecs(seconds)
                   .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"))
                   .toStdString() +
               "</date>\n";
        return;
    }
    case PropertyList::Type::Data:
        out += "<data>" + value.asData()->toBase64().toStdString() + "</data>\n";
        return;
    }
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
    return XmlReader(xml).document(error);
}

std::optional<std::string> PropertyList::toXml(std::string* error) const {
    if (!allDatesFit(*this)) {
        if (error)
            *error = "a date lies outside what a property list can hold";
        return std::nullopt;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n";
    writeValue(xml, *this, 0);
    xml += "</plist>\n";
    return xml;
}

std::optional<PropertyList> PropertyList::readFile(const QString& path, std::string* error) {
    const auto failed = [&](const std::string& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    // Files compiled into the program (":/...") are only known to Qt, and are what they say.
    if (path.startsWith(QLatin1Char(':'))) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly))
            return failed(resource.errorString().toStdString());
        if (resource.size() > kMaximumFileSize)
            return failed(std::string("larger than the limit of ") + kMaximumFileSizeText);
        const QByteArray bytes = resource.readAll();
        return fromXml(std::string_view(bytes.constData(), std::size_t(bytes.size())), error);
    }
    const InputFile::Contents contents = InputFile::read(path, kMaximumFileSize);
    if (!contents.ok())
        return failed(contents.reason.toStdString());
    return fromXml(std::string_view(contents.bytes.constData(), std::size_t(contents.bytes.size())),
                   error);
}

bool PropertyList::writeFile(const QString& path, std::string* error) const {
    auto xml = toXml(error);
    if (!xml)
        return false;
    QSaveFile file(path);
    // The files hold the service keys and the user's own records: no one else reads them.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
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
