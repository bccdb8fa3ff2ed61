// Replays the inputs that once broke the reader under the fuzzer, and the fuzzer's seeds, with
// the checks the fuzz target makes: no crash, and whatever is read writes out as JSON that reads
// back as the same value.

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONWriter.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

using namespace sweeplight::json;

namespace {

void replayDirectory(const std::filesystem::path& directory, std::size_t* count) {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        const JSONDeserializer deserializer = JSONDeserializer::deserializer();
        if (auto dictionary = deserializer.deserializeAsDictionary(data)) {
            const std::string written = compactJSON(JSONValue(dictionary));
            const auto again = deserializer.deserializeAsDictionary(written);
            ASSERT_NE(again, nullptr) << written;
            EXPECT_TRUE(*again == *dictionary) << written;
        }
        if (auto value = deserializer.deserialize(data)) {
            const std::string written = compactJSON(*value);
            const auto again = deserializer.deserialize(written);
            ASSERT_TRUE(again.has_value()) << written;
            EXPECT_TRUE(*again == *value) << written;
        }
        ++*count;
    }
}

} // namespace

TEST(JSONFuzzRegression, ReplaysFormerCrashesAndSeedsSafely) {
    std::size_t count = 0;
    replayDirectory(JSON_REGRESSION_DIR, &count);
    replayDirectory(JSON_SEED_DIR, &count);
    EXPECT_GT(count, 0u);
}
