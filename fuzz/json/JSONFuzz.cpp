// Feeds arbitrary bytes to both entry points of the JSON reader. Beyond "no crash, no
// undefined behaviour", whatever is read must write out as JSON that reads back as the same
// value.

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONWriter.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace sweeplight::json;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
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
