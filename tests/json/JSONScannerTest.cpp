#include "json/JSONScanner.h"

#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include <gtest/gtest.h>
#include <string>
#include <string_view>

using namespace sweeplight::json;

namespace {

// Scans one value; the error code is 0 when the scan succeeds or fails without an error.
struct Scanned {
    bool ok { false };
    JSONValue value;
    int code { 0 };
    std::string domain;
    std::string message;
    std::size_t location { 0 };
};

Scanned scanValue(std::string_view text) {
    JSONScanner scanner;
    scanner.setData(text);
    Scanned scanned;
    JSONError error;
    scanned.ok = scanner.scanJSONObject(&scanned.value, &error);
    scanned.code = error.code;
    scanned.domain = error.domain;
    scanned.message = error.localizedDescription.value_or("");
    scanned.location = scanner.scanLocation();
    return scanned;
}

std::string stringOf(std::string_view text) {
    const Scanned scanned = scanValue(text);
    EXPECT_TRUE(scanned.ok) << text;
    const JSONString* string = scanned.value.string();
    return string ? std::string(*string) : "<not a string>";
}

} // namespace

// Every kind of value, and the looser grammar of our responses: trailing commas, the six ASCII
// white space characters (not U+00A0, below), literals matched by their bytes alone, and a later
// duplicate key replacing the earlier value. How numbers are read is the data scanner's rule.
TEST(JSONScanner, ReadsEveryKindOfValueInTheLooserGrammar) {
    const Scanned scanned = scanValue(R"({"a":1,"b":[true,false,null,],"c":"x\u0041\n","d":{)"
                                      " \t\n\v\f\r"
                                      R"("a" : 1 , },"a":2})");
    ASSERT_TRUE(scanned.ok);
    const JSONDictionary* dictionary = scanned.value.dictionary();
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->size(), 4u);
    EXPECT_EQ(*dictionary->findNumber("a"), 2.0);
    EXPECT_EQ(*dictionary->findString("c"), "xA\n");
    EXPECT_EQ(dictionary->find("d")->dictionary()->size(), 1u);
    const JSONArray* b = dictionary->findArray("b");
    ASSERT_TRUE(b && b->size() == 3u);
    EXPECT_TRUE((*b)[0] == JSONValue(true) && (*b)[1] == JSONValue(false) && (*b)[2].isNull());
    const Scanned truex = scanValue("truex");
    EXPECT_TRUE(truex.ok && *truex.value.boolean() && truex.location == 4u);
    EXPECT_TRUE(scanValue("nullnull").value.isNull());
    // A plus sign in an exponent ends the number and fails the enclosing construct.
    EXPECT_EQ(scanValue("[1.5e+3]").code, -9);
    EXPECT_EQ(scanValue(R"({"a":1.5e+3})").code, -5);
}

TEST(JSONScanner, ValuesThatStartWithNothingKnownFailWithoutAnErrorOfTheirOwn) {
    for (std::string_view text : { "tru", "nul", "fals", "True", "x", "+1", "", "   ", "}",
                                   "\xA0"
                                   "1" }) {
        const Scanned scanned = scanValue(text);
        EXPECT_FALSE(scanned.ok) << text;
        EXPECT_EQ(scanned.code, 0) << text;
    }
    // The apostrophe goes to the string scan, which rejects it.
    EXPECT_EQ(scanValue("'a'").code, -11);
    // Leading white space is skipped, and stays skipped after a failure.
    EXPECT_EQ(scanValue("  x").location, 2u);
}

// Each construct fails with its own code and puts the cursor back where it began; cut off by the
// end of the data (kAny), it fails too.
TEST(JSONScanner, ConstructErrorsHaveTheirOwnCodesAndRestoreTheCursor) {
    enum Entry { Dictionary, Array, String, Number };
    constexpr int kAny = 1;
    const struct {
        Entry entry;
        std::string_view text;
        int code;
    } rows[] = {
        { Dictionary, R"( {"a":1})", -1 },
        { Dictionary, "{a:1}", -2 },
        { Dictionary, R"({"a":1,)", -2 },
        { Dictionary, R"({"a" 1})", -3 },
        { Dictionary, R"({"a":})", -4 },
        { Dictionary, R"({"a":1 "b":2})", -5 },
        { Array, "{}", -7 },
        { Array, "[1,,2]", -8 },
        { Array, "[1 2]", -9 },
        { String, "  x", -11 },
        { String, R"("ab\u00G1")", -12 },
        { String, R"("ab\x")", -13 },
        { Number, "x", -14 },
        { String, R"("abc)", kAny },
        { String, R"("ab\)", kAny },
        { String, R"("\u00)", kAny },
        { String, R"("\ud83d)", kAny },
    };
    for (const auto& row : rows) {
        JSONScanner scanner;
        scanner.setData(row.text);
        JSONError error;
        const bool ok = row.entry == Dictionary ? scanner.scanJSONDictionary(nullptr, &error)
                        : row.entry == Array    ? scanner.scanJSONArray(nullptr, &error)
                        : row.entry == String   ? scanner.scanJSONStringConstant(nullptr, &error)
                                                : scanner.scanJSONNumberConstant(nullptr, &error);
        EXPECT_FALSE(ok) << row.text;
        EXPECT_EQ(scanner.scanLocation(), 0u) << row.text;
        if (row.code != kAny) {
            EXPECT_EQ(error.code, row.code) << row.text;
            EXPECT_EQ(error.domain, kJSONScannerErrorDomain) << row.text;
            EXPECT_TRUE(error.localizedDescription.has_value()) << row.text;
        }
    }
}

TEST(JSONScanner, TheOutermostFailingConstructReportsTheError) {
    EXPECT_EQ(scanValue(R"({"a":"\x"})").code, -4);
    EXPECT_EQ(scanValue(R"(["\x"])").code, -8);
}

TEST(JSONScanner, EscapesAndUnicode) {
    EXPECT_EQ(stringOf(R"("\"\/\\\b\f\n\r\t")"), "\"/\\\b\f\n\r\t");
    EXPECT_EQ(stringOf(R"("\u00e9\u00E9")"), "\u00e9\u00e9");
    EXPECT_EQ(stringOf(R"("\ud83d\ude00")"), "\U0001F600");
    EXPECT_EQ(stringOf(R"("a\u0000b")"), std::string("a\0b", 3));
    // A surrogate without its partner cannot be carried by UTF-8.
    EXPECT_EQ(stringOf(R"("\ud83dx")"), "\uFFFDx");
    EXPECT_EQ(stringOf(R"("\ude00\ud83d")"), "\uFFFD\uFFFD");
    EXPECT_EQ(stringOf(R"("\ud83d\ud83d\ude00")"), "\uFFFD\U0001F600");
    EXPECT_EQ(stringOf(R"("\ud83d\n")"), "\uFFFD\n");
    // Raw bytes: control characters are kept, ill-formed UTF-8 is replaced, never fatal.
    EXPECT_EQ(stringOf("\"a\tb\x01\""), "a\tb\x01");
    EXPECT_EQ(stringOf("\"\xC3\xA9\xFF\xC3\""), "\u00e9\uFFFD\uFFFD");
    EXPECT_EQ(stringOf("\"\xED\xA0\x80\""), "\uFFFD\uFFFD\uFFFD");
}

TEST(JSONScanner, DetectsUTF16AndUTF32InBothByteOrders) {
    const std::u16string text16 = u"{\"k\":\"\u00e9\U0001F600\"}";
    const std::u32string text32 = U"{\"k\":\"\u00e9\U0001F600\"}";
    const auto bytesOf = [](const auto& text, int width, bool bigEndian) {
        std::string bytes;
        for (char32_t unit : text)
            for (int k = 0; k < width; ++k)
                bytes.push_back(char(unit >> (8 * (bigEndian ? width - 1 - k : k))));
        return bytes;
    };
    for (const std::string& bytes : { bytesOf(text16, 2, false), bytesOf(text16, 2, true),
                                      bytesOf(text32, 4, false), bytesOf(text32, 4, true) }) {
        auto scanner = JSONScanner::scannerWithData(bytes);
        std::shared_ptr<const JSONDictionary> dictionary;
        ASSERT_TRUE(scanner->scanJSONDictionary(&dictionary));
        EXPECT_EQ(*dictionary->findString("k"), "\u00e9\U0001F600");
    }
    // A byte-order mark is not recognised, so the text is taken as UTF-8 and fails.
    EXPECT_FALSE(
        JSONScanner::scannerWithData(std::string("\xFF\xFE{\0}\0", 6))->scanJSONDictionary());
    // Text that cannot be converted is scanned as no data at all.
    for (const std::string& bytes :
         { std::string("{\0\"\0\x00\xD8\"\0", 8), std::string("{\0\"\0\"", 5),
           std::string("{\0\0\0\0\0\x11\0", 8) })
        EXPECT_EQ(JSONScanner::scannerWithData(bytes)->data().size(), 0u);
    // Shorter data is UTF-8.
    EXPECT_EQ(JSONScanner::scannerWithData(std::string("1\0\0", 3))->data().size(), 3u);
}

TEST(JSONScanner, NestingBeyondTheBoundFailsInsteadOfOverflowingTheStack) {
    const int depth = JSONScanner::kMaximumNestingDepth;
    const std::string deepest = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_TRUE(scanValue(deepest).ok);
    const std::string tooDeep = std::string(depth + 1, '[') + std::string(depth + 1, ']');
    const Scanned failed = scanValue(tooDeep);
    EXPECT_TRUE(!failed.ok && failed.code == -8 && failed.location == 0u);

    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += R"({"a":[)";
    EXPECT_EQ(scanValue(objects).code, -4);

    // The bound is on depth, not on the number of containers.
    std::string wide = "[";
    for (int i = 0; i < 10000; ++i)
        wide += "[[]],";
    wide += "]";
    EXPECT_EQ(scanValue(wide).value.array()->size(), 10000u);
}

TEST(JSONScanner, NewConvertedDataRestartsTheCursorEvenWhenItIsShort) {
    JSONScanner scanner;
    scanner.setData(std::string("1\0\x32\0", 4));
    EXPECT_EQ(scanner.data(), "12");
    scanner.scanCharacter();
    scanner.setData(std::string("3\0\x34\0", 4));
    EXPECT_EQ(scanner.scanLocation(), 0u);
    EXPECT_EQ(scanner.data(), "34");
}
