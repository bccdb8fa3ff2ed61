#include "json/JSONWriter.h"

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include <gtest/gtest.h>
#include <string>

using namespace sweeplight::json;

namespace {

std::string rewritten(std::string_view text) {
    const auto value = JSONDeserializer::deserializer().deserialize(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value ? compactJSON(*value) : "";
}

} // namespace

TEST(JSONWriter, WritesCompactSortedJSON) {
    EXPECT_EQ(rewritten(R"( { "b" : [ 1 , true , null , ] , "a" : { } , "c" : [ ] } )"),
              R"({"a":{},"b":[1,true,null],"c":[]})");
}

TEST(JSONWriter, NumbersAreTheShortestTextThatReadsBackTheSameDouble) {
    for (const char* text : { "0.1", "1e21", "1.5e-7", "-0" })
        EXPECT_EQ(rewritten(text), text);
    EXPECT_EQ(rewritten("[1e400,-1e400]"), "[1e999,-1e999]");
    for (double number : { 0.1 + 0.2, 5e-324 }) {
        const std::string text = compactJSON(JSONValue(number));
        EXPECT_EQ(*JSONDeserializer::deserializer().deserialize(text)->number(), number) << text;
    }
}

TEST(JSONWriter, StringsAreEscapedAsJSONRequiresAndReadBackUnchanged) {
    const std::string text = std::string("q\" b\\ /\b\f\n\r\t\x01\x1f\0 \u00e9\U0001F600", 22);
    const std::string written = compactJSON(JSONValue(text));
    EXPECT_EQ(written, "\"q\\\" b\\\\ /\\b\\f\\n\\r\\t\\u0001\\u001f\\u0000 \u00e9\U0001F600\"");
    EXPECT_EQ(*JSONDeserializer::deserializer().deserialize(written)->string(), text);
}
