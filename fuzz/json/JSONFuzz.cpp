// Feeds arbitrary bytes to both entry points of the JSON reader and to the byte scanner's
// operations. Beyond "no crash, no undefined behaviour", whatever is read must write out as
// JSON that reads back as the same value.
//
// The reader's rewrites for speed were fuzzed against its earlier form, read for read (values,
// errors, where the cursor stops); that harness is in the history (commit 16412de,
// fuzz/json/reference and fuzz/json/Dump.h) for the next rewrite.

#include "json/DataScanner.h"
#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONWriter.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace sweeplight::json;

namespace {

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
    // Kept from input to input, as a caller reading one text after another keeps it: each tree
    // then takes memory that earlier inputs' trees gave back.
    static const JSONDeserializer deserializer = JSONDeserializer::deserializer();

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
