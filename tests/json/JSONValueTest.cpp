#include "json/JSONValue.h"

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight::json;

namespace {

void expectInKeyOrder(const JSONDictionary& dictionary) {
    std::string previous;
    for (const auto& [key, value] : dictionary) {
        EXPECT_LT(previous, std::string_view(key));
        previous = key;
    }
}

} // namespace

// Values of different kinds never compare equal, whatever they hold.
TEST(JSONValue, KindsAreDistinct) {
    EXPECT_FALSE(JSONValue(true) == JSONValue(1.0));
    EXPECT_FALSE(JSONValue(false) == JSONValue::null());
    EXPECT_FALSE(JSONValue(0.0) == JSONValue::null());
    EXPECT_FALSE(JSONValue(1.0) == JSONValue("1"));
    EXPECT_TRUE(JSONValue(0.0) == JSONValue(-0.0));
    EXPECT_EQ(JSONValue(std::shared_ptr<const JSONArray>()).array()->size(), 0u);
}

// Values, dictionaries built from them and dictionaries taken out of trees outlive their trees.
TEST(JSONValue, PartsCopiedOutOfTreesOutliveThem) {
    JSONValue text;
    std::shared_ptr<const JSONDictionary> inner;
    std::vector<JSONDictionary::Entry> entries;
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        const auto tree = JSONDeserializer::deserializer().deserializeAsDictionary(
            R"({"t":"text )" + n + R"(","l":[)" + n + R"(,"two"],"d":{"z":1,"a":2}})");
        ASSERT_NE(tree, nullptr);
        text = *tree->find("t");
        inner = tree->find("d")->sharedDictionary();
        entries.emplace_back("k" + n, *tree->find("l"));
    }
    EXPECT_EQ(*text.string(), "text 2");
    EXPECT_EQ(inner->begin()->first, "a");
    EXPECT_EQ(*inner->findNumber("z"), 1.0);
    const JSONDictionary dictionary(std::move(entries));
    for (int i = 0; i < 3; ++i) {
        const JSONArray* list = dictionary.findArray("k" + std::to_string(i));
        ASSERT_TRUE(list && list->size() == 2u);
        EXPECT_EQ(*(*list)[0].number(), double(i));
        EXPECT_EQ(*(*list)[1].string(), "two");
    }
}

// More members than the small-object sort handles, and a few alone; built directly the same.
TEST(JSONDictionary, ReadObjectsAreInKeyOrderWithTheLastOfEqualKeys) {
    std::string text = "{";
    for (int i = 0; i < 40; ++i)
        text += "\"k" + std::to_string((i * 7) % 30) + "\":" + std::to_string(i) + ",";
    text += R"("b":1,"a":2,"b":3})";
    const auto dictionary = JSONDeserializer::deserializer().deserializeAsDictionary(text);
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->size(), 32u);
    EXPECT_EQ(*dictionary->findNumber("b"), 3.0);
    EXPECT_EQ(*dictionary->findNumber("k0"), 30.0);
    EXPECT_EQ(dictionary->find("missing"), nullptr);
    EXPECT_EQ(dictionary->findString("k1"), nullptr);
    expectInKeyOrder(*dictionary);

    const JSONDictionary small({ { "b", JSONValue(1.0) },
                                 { "a", JSONValue(2.0) },
                                 { "b", JSONValue::null() },
                                 { "c", JSONValue(true) } });
    EXPECT_EQ(small.size(), 3u);
    EXPECT_TRUE(small.find("b")->isNull());
    expectInKeyOrder(small);
}
