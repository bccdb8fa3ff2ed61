#include "json/JSONDeserializer.h"

#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace sweeplight::json;

TEST(JSONDeserializer, EmptyOrMissingDataIsTheDeserializersOwnErrorWithoutAMessage) {
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();
    for (std::string_view data : { std::string_view(), std::string_view("") }) {
        JSONError error, valueError;
        EXPECT_EQ(deserializer.deserializeAsDictionary(data, &error), nullptr);
        EXPECT_FALSE(deserializer.deserialize(data, &valueError).has_value());
        for (const JSONError& e : { error, valueError })
            EXPECT_TRUE(e.domain == kJSONDeserializerErrorDomain && e.code == -1 &&
                        !e.localizedDescription);
    }
}

TEST(JSONDeserializer, DictionaryEntryPointNeedsTheBraceAtTheFirstByteInAnyEncoding) {
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();
    for (std::string_view data : { " {\"a\":1}", "[1]" }) {
        JSONError error;
        EXPECT_EQ(deserializer.deserializeAsDictionary(data, &error), nullptr) << data;
        EXPECT_EQ(error.domain, kJSONScannerErrorDomain);
        EXPECT_EQ(error.code, -1);
    }
    const auto utf16 =
        deserializer.deserializeAsDictionary(std::string("{\0\"\0a\0\"\0:\0\x31\0}\0", 14));
    ASSERT_NE(utf16, nullptr) << "UTF-16 little endian";
    EXPECT_EQ(*utf16->findNumber("a"), 1.0);
}

// Values themselves are the scanner's; the entry point skips leading space and ignores the rest.
TEST(JSONDeserializer, AnyValueEntryPointSkipsLeadingSpaceAndIgnoresWhatFollows) {
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();
    const auto dictionary = deserializer.deserialize("\n {\"a\":1} trailing garbage");
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_EQ(*dictionary->dictionary()->findNumber("a"), 1.0);
    EXPECT_EQ(*deserializer.deserialize(" -2.5x")->number(), -2.5);
    EXPECT_EQ(deserializer.deserializeAsDictionary("{\"a\":1}}}")->size(), 1u);
}

TEST(JSONDeserializer, FailuresReportTheScannersErrorOrLeaveTheErrorAlone) {
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();
    JSONError error;
    EXPECT_FALSE(deserializer.deserialize("[1 2]", &error));
    EXPECT_EQ(error.code, -9);
    error = JSONError { "untouched", 7, std::nullopt };
    EXPECT_FALSE(deserializer.deserialize("hello", &error));
    EXPECT_EQ(error.domain, "untouched");
    EXPECT_EQ(error.code, 7);
}

// A kept deserializer hands the memory of trees gone to the next ones; trees still held, and
// trees that outlive the deserializer, must stay whole (the sanitizer build sees any reuse).
TEST(JSONDeserializer, TreesReadByAKeptDeserializerStayWholeWhileLaterOnesReuseMemory) {
    auto text = [](int seed) {
        std::string out = "{\"items\":[";
        for (int i = 0; i < 20000; ++i)
            out += "{\"n\":" + std::to_string(seed + i) + ",\"s\":\"" + std::string(i % 50, 'x') +
                   "\"},";
        return out + "{}]}";
    };
    auto check = [](const JSONDictionary& tree, int seed) {
        const auto items = tree.findArray("items");
        ASSERT_TRUE(items && items->size() == 20001);
        for (int i = 0; i < 20000; i += 997) {
            const auto item = (*items)[i].dictionary();
            EXPECT_EQ(*item->findNumber("n"), seed + i);
            EXPECT_EQ(item->findString("s")->view(), std::string(i % 50, 'x'));
        }
    };
    auto deserializer = std::make_unique<JSONDeserializer>(JSONDeserializer::deserializer());
    const auto held = deserializer->deserializeAsDictionary(text(0));
    for (int seed = 1; seed <= 3; ++seed) {
        const auto passing = JSONDeserializer(*deserializer).deserializeAsDictionary(text(seed));
        ASSERT_NE(passing, nullptr);
        check(*passing, seed);
    }
    const auto outliving = deserializer->deserializeAsDictionary(text(4));
    deserializer.reset();
    check(*held, 0);
    check(*outliving, 4);
}
