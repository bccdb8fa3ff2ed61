#pragma once

// A canonical text form of everything the JSON reader hands back for one input: values with
// their exact bits, errors with their domain, code, message and the cursor where the scan
// stopped. Written once for any reader with this interface, so that two readers (the current
// one and the reference copy of an older one) can be compared byte for byte.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace sweeplight::fuzzing {

inline void dumpBytes(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += '\\';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    out += '"';
}

inline void dumpNumber(std::string& out, double number) {
    std::uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    out += "n:" + std::to_string(bits);
}

template <typename Value> void dumpValue(std::string& out, const Value& value) {
    if (value.isNull()) {
        out += "null";
    } else if (const bool* boolean = value.boolean()) {
        out += *boolean ? "true" : "false";
    } else if (const double* number = value.number()) {
        dumpNumber(out, *number);
    } else if (const auto* string = value.string()) {
        dumpBytes(out, std::string_view(*string));
    } else if (const auto* array = value.array()) {
        out += "[" + std::to_string(array->size()) + ":";
        for (const auto& element : *array) {
            dumpValue(out, element);
            out += ',';
        }
        out += ']';
    } else if (const auto* dictionary = value.dictionary()) {
        out += "{" + std::to_string(dictionary->size()) + ":";
        for (const auto& [key, element] : *dictionary) {
            dumpBytes(out, std::string_view(key));
            out += ':';
            dumpValue(out, element);
            out += ',';
            // Lookups must find what iteration shows.
            if (dictionary->find(std::string_view(key)) != &element)
                out += "<find differs>";
        }
        out += '}';
    } else {
        out += "<unknown kind>";
    }
}

template <typename Error> void dumpError(std::string& out, bool set, const Error& error) {
    if (!set) {
        out += " no error";
        return;
    }
    out += " error " + error.domain + " " + std::to_string(error.code) + " ";
    if (error.localizedDescription)
        dumpBytes(out, *error.localizedDescription);
    else
        out += "-";
}

// Reader is a namespace-like traits type naming JSONDeserializer, JSONScanner, JSONValue,
// JSONError, JSONDictionary and JSONArray of one reader.
template <typename Reader> std::string dumpEverything(std::string_view data) {
    using Error = typename Reader::JSONError;
    std::string out;
    const auto deserializer = Reader::JSONDeserializer::deserializer();
    {
        Error error;
        auto dictionary = deserializer.deserializeAsDictionary(data, &error);
        out += "asDictionary: ";
        if (dictionary)
            dumpValue(out, typename Reader::JSONValue(dictionary));
        else
            dumpError(out, !error.domain.empty(), error);
        out += '\n';
    }
    {
        Error error;
        auto value = deserializer.deserialize(data, &error);
        out += "any: ";
        if (value)
            dumpValue(out, *value);
        else
            dumpError(out, !error.domain.empty(), error);
        out += '\n';
    }
    // Each construct's own scan from the first byte, and where the cursor ends.
    for (int which = 0; which < 5; ++which) {
        typename Reader::JSONScanner scanner;
        scanner.setData(data);
        Error error;
        bool ok = false;
        std::string result;
        switch (which) {
        case 0: {
            typename Reader::JSONValue value;
            ok = scanner.scanJSONObject(&value, &error);
            if (ok)
                dumpValue(result, value);
            break;
        }
        case 1: {
            std::shared_ptr<const typename Reader::JSONDictionary> dictionary;
            ok = scanner.scanJSONDictionary(&dictionary, &error);
            if (ok)
                dumpValue(result, typename Reader::JSONValue(dictionary));
            break;
        }
        case 2: {
            std::shared_ptr<const typename Reader::JSONArray> array;
            ok = scanner.scanJSONArray(&array, &error);
            if (ok)
                dumpValue(result, typename Reader::JSONValue(array));
            break;
        }
        case 3: {
            std::string string;
            ok = scanner.scanJSONStringConstant(&string, &error);
            if (ok)
                dumpBytes(result, string);
            break;
        }
        default: {
            double number = 0;
            ok = scanner.scanJSONNumberConstant(&number, &error);
            if (ok)
                dumpNumber(result, number);
            break;
        }
        }
        out += "scan" + std::to_string(which) + ": ";
        if (ok)
            out += result;
        else
            dumpError(out, !error.domain.empty(), error);
        out += " at " + std::to_string(scanner.scanLocation()) + '\n';
    }
    return out;
}

} // namespace sweeplight::fuzzing
