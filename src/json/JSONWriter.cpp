#include "json/JSONWriter.h"

#include "json/JSONDictionary.h"
#include "json/JSONValue.h"
#include <charconv>
#include <cmath>

namespace sweeplight::json {

namespace {

void writeNumber(std::string& out, double number) {
    if (std::isinf(number)) {
        out += number < 0 ? "-1e999" : "1e999";
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    // to_chars writes exponents as e+21 or e-07; a plain e21 is shorter, and our own reader
    // stops at a plus sign.
    for (char* p = buffer; p < result.ptr; ++p) {
        out.push_back(*p);
        if (*p != 'e')
            continue;
        ++p;
        if (*p == '-')
            out.push_back(*p++);
        else if (*p == '+')
            ++p;
        while (p + 1 < result.ptr && *p == '0')
            ++p;
        out.append(p, result.ptr);
        return;
    }
}

void writeString(std::string& out, std::string_view string) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    out.push_back('"');
    for (char c : string) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\b':
            out += "\\b";
            continue;
        case '\f':
            out += "\\f";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (byte < 0x20) {
            out += "\\u00";
            out.push_back(kHexDigits[byte >> 4]);
            out.push_back(kHexDigits[byte & 0xF]);
            continue;
        }
        out.push_back(c);
    }
    out.push_back('"');
}

void writeValue(std::string& out, const JSONValue& value) {
    switch (value.kind()) {
    case JSONValue::Kind::null:
        out += "null";
        return;
    case JSONValue::Kind::boolean:
        out += *value.boolean() ? "true" : "false";
        return;
    case JSONValue::Kind::number:
        writeNumber(out, *value.number());
        return;
    case JSONValue::Kind::string:
        writeString(out, *value.string());
        return;
    case JSONValue::Kind::array: {
        out.push_back('[');
        bool first = true;
        for (const JSONValue& element : *value.array()) {
            if (!first)
                out.push_back(',');
            first = false;
            writeValue(out, element);
        }
        out.push_back(']');
        return;
    }
    case JSONValue::Kind::dictionary: {
        out.push_back('{');
        bool first = true;
        for (const auto& [key, element] : *value.dictionary()) {
            if (!first)
                out.push_back(',');
            first = false;
            writeString(out, key);
            out.push_back(':');
            writeValue(out, element);
        }
        out.push_back('}');
        return;
    }
    }
}

} // namespace

std::string compactJSON(const JSONValue& value) {
    std::string out;
    writeValue(out, value);
    return out;
}

} // namespace sweeplight::json
