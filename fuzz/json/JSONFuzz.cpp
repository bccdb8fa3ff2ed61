// Feeds arbitrary bytes to both entry points of the JSON reader and to the byte scanner's
// operations. Beyond "no crash, no undefined behaviour", whatever is read must write out as
// JSON that reads back as the same value, and everything the reader hands back (values, errors,
// where its cursor stops) must be exactly what the reference copy of its older form hands back.

#include "Dump.h"
#include "reference/JSONDeserializer.h"
#include "reference/JSONDictionary.h"
#include "reference/JSONError.h"
#include "reference/JSONScanner.h"

#include "json/DataScanner.h"
#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/JSONScanner.h"
#include "json/JSONWriter.h"
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace sweeplight::json;

namespace {

struct Current {
    using JSONDeserializer = sweeplight::json::JSONDeserializer;
    using JSONScanner = sweeplight::json::JSONScanner;
    using JSONValue = sweeplight::json::JSONValue;
    using JSONError = sweeplight::json::JSONError;
    using JSONDictionary = sweeplight::json::JSONDictionary;
    using JSONArray = sweeplight::json::JSONArray;
};

struct Reference {
    using JSONDeserializer = sweeplight::json_reference::JSONDeserializer;
    using JSONScanner = sweeplight::json_reference::JSONScanner;
    using JSONValue = sweeplight::json_reference::JSONValue;
    using JSONError = sweeplight::json_reference::JSONError;
    using JSONDictionary = sweeplight::json_reference::JSONDictionary;
    using JSONArray = sweeplight::json_reference::JSONArray;
};

// The byte scanner's own operations, picked by the input bytes themselves: each one moves the
// cursor forward or leaves it, and never past the end.
void exerciseByteScanner(std::string_view data) {
    DataScanner scanner;
    scanner.setData(data);
    const CharacterSet letters = characterSetWithCharactersInString("abcdefghijklmnopqrstuvwxyz");
    std::string text;
    double number = 0;
    for (int step = 0; step < 64 && !scanner.isAtEnd(); ++step) {
        const std::size_t before = scanner.scanLocation();
        switch (scanner.scanCharacter() % 8) {
        case 0:
            scanner.scanNumber(&number);
            break;
        case 1:
            scanner.skipWhitespace();
            break;
        case 2:
            scanner.scanUpToString(data.substr(before, 2), &text);
            break;
        case 3:
            scanner.scanCharactersFromSet(letters, &text);
            break;
        case 4:
            scanner.scanUpToCharactersFromSet(letters, &text);
            break;
        case 5:
            scanner.scanUTF8String("true", &text);
            break;
        case 6:
            (void)scanner.remainingString();
            break;
        default:
            scanner.setScanLocation(before);
            scanner.scanCharacter();
            break;
        }
        if (scanner.scanLocation() < before || scanner.scanLocation() > data.size())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    exerciseByteScanner(data);
    const std::string current = sweeplight::fuzzing::dumpEverything<Current>(data);
    const std::string reference = sweeplight::fuzzing::dumpEverything<Reference>(data);
    if (current != reference) {
        std::fprintf(stderr, "reader differs from its reference:\n--- current\n%s--- reference\n%s",
                     current.c_str(), reference.c_str());
        std::abort();
    }
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();

    if (auto dictionary = deserializer.deserializeAsDictionary(data)) {
        const std::string written = compactJSON(JSONValue(dictionary));
        const auto again = deserializer.deserializeAsDictionary(written);
        if (!again || !(*again == *dictionary))
            std::abort();
    }
    if (auto value = deserializer.deserialize(data)) {
        const std::string written = compactJSON(*value);
        const auto again = deserializer.deserialize(written);
        if (!again || !(*again == *value))
            std::abort();
    }
    return 0;
}
