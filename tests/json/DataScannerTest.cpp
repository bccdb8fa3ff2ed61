#include "json/DataScanner.h"

#include "json/JSONDeserializer.h"
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>

using sweeplight::json::characterSetWithCharactersInString;
using sweeplight::json::DataScanner;
using sweeplight::json::JSONDeserializer;

namespace {

double scanNumberFrom(std::string_view text, std::size_t* location = nullptr) {
    DataScanner scanner;
    scanner.setData(text);
    double number = -99;
    EXPECT_TRUE(scanner.scanNumber(&number)) << text;
    if (location)
        *location = scanner.scanLocation();
    return number;
}

} // namespace

// Characters are bytes; at the end (or without data) they read as zero without moving.
TEST(DataScanner, CharactersAreBytesAndTheEndReadsAsZero) {
    DataScanner scanner;
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_EQ(scanner.currentCharacter(), 0);
    EXPECT_FALSE(scanner.scanNumber());
    EXPECT_FALSE(scanner.scanUTF8String("x"));
    EXPECT_TRUE(scanner.scanUpToString(""));
    scanner.setData("\xC3\xA9\x61");
    EXPECT_EQ(scanner.scanCharacter(), 0xC3);
    EXPECT_EQ(scanner.currentCharacter(), 0xA9);
    scanner.scanCharacter();
    EXPECT_FALSE(scanner.scanCharacter(u'b'));
    EXPECT_TRUE(scanner.scanCharacter(u'a'));
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_EQ(scanner.scanCharacter(), 0);
    EXPECT_EQ(scanner.scanLocation(), 3u);
}

TEST(DataScanner, SettingTheSameBytesKeepsTheCursorAndNewBytesRestartIt) {
    const std::string first = "abcdef";
    DataScanner scanner;
    scanner.setData(first);
    scanner.scanString("abc");
    scanner.setData(first);
    EXPECT_EQ(scanner.scanLocation(), 3u);
    scanner.scanString("de");
    scanner.setScanLocation(3);
    EXPECT_EQ(scanner.remainingString(), "def");
    scanner.setData("xyz");
    EXPECT_EQ(scanner.scanLocation(), 0u);
    EXPECT_EQ(scanner.currentCharacter(), 'x');
    scanner.setData({});
    EXPECT_TRUE(scanner.isAtEnd());
}

TEST(DataScanner, StringMatchesAreExactAndNeverReadPastTheEnd) {
    DataScanner scanner;
    scanner.setData("tru");
    EXPECT_FALSE(scanner.scanUTF8String("true"));
    EXPECT_EQ(scanner.scanLocation(), 0u);
    EXPECT_FALSE(scanner.scanString("TRU"));
    std::string out;
    EXPECT_TRUE(scanner.scanString("tr", &out));
    EXPECT_EQ(out, "tr");
    EXPECT_TRUE(scanner.scanUTF8String("u", &out));
    EXPECT_EQ(out, "u");
    EXPECT_TRUE(scanner.isAtEnd());
}

TEST(DataScanner, SetScansStopAtTheFirstByteOutsideOrInsideTheSet) {
    const auto digits = characterSetWithCharactersInString("0123456789");
    DataScanner scanner;
    scanner.setData("123abc4");
    std::string out;
    EXPECT_FALSE(scanner.scanUpToCharactersFromSet(digits, &out));
    EXPECT_TRUE(scanner.scanCharactersFromSet(digits, &out));
    EXPECT_EQ(out, "123");
    EXPECT_FALSE(scanner.scanCharactersFromSet(digits, &out));
    EXPECT_TRUE(scanner.scanUpToCharactersFromSet(digits, &out));
    EXPECT_EQ(out, "abc");
    EXPECT_TRUE(scanner.scanCharactersFromSet(digits));
    EXPECT_TRUE(scanner.isAtEnd());
}

TEST(DataScanner, IllFormedUTF8InARunBecomesReplacementCharacters) {
    const auto notDigits = characterSetWithCharactersInString("0");
    DataScanner scanner;
    scanner.setData("a\xFF\x62\xE2\x82\x30");
    std::string out;
    EXPECT_TRUE(scanner.scanUpToCharactersFromSet(notDigits, &out));
    EXPECT_EQ(out, "a\uFFFDb\uFFFD");
    EXPECT_EQ(scanner.remainingString(), "0");
    scanner.setScanLocation(0);
    EXPECT_FALSE(scanner.remainingString().has_value());
}

TEST(DataScanner, ScanUpToStringFindsTheMatchButNotPastAZeroByte) {
    DataScanner scanner;
    scanner.setData(std::string_view("ab--cd\0--", 9));
    std::string out = "unchanged";
    EXPECT_TRUE(scanner.scanUpToString("--", &out));
    EXPECT_EQ(out, "ab");
    EXPECT_EQ(scanner.scanLocation(), 2u);
    EXPECT_TRUE(scanner.scanUpToString("--", &out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(scanner.scanLocation(), 2u);
    scanner.setScanLocation(3);
    EXPECT_FALSE(scanner.scanUpToString("--"));
    EXPECT_EQ(scanner.scanLocation(), 3u);
}

TEST(DataScanner, WhitespaceIsTheSixASCIISpacesOnly) {
    DataScanner scanner;
    scanner.setData(" \t\n\v\f\r\xA0x");
    scanner.skipWhitespace();
    EXPECT_EQ(scanner.scanLocation(), 6u);
}

// A number is the longest valid prefix of the longest run of number characters (the location
// is where the scan stops, 0 for the whole text); out of range it becomes infinity or zero.
TEST(DataScanner, NumbersReadTheLongestValidPrefixOfTheLongestRun) {
    const struct {
        std::string_view text;
        double number;
        std::size_t location;
    } rows[] = {
        { "1e+5", 1.0, 2 }, // the plus sign is left
        { "-", 0.0, 0 },
        { "1.2.3", 1.2, 0 },
        { "-12.5e-1x", -1.25, 8 },
        { "0.1", 0.1, 0 },
        { "1E3", 1000.0, 0 },
        { ".5", 0.5, 0 },
        { "--1", 0.0, 0 },
        { "12345678901234567890", 12345678901234567890.0, 0 },
        { "1e400", HUGE_VAL, 0 },
        { "-1e400", -HUGE_VAL, 0 },
        { "0.00000000000001e330", HUGE_VAL, 0 },
        { "1e-400", 0.0, 0 },
        { "100000e-330", 0.0, 0 },
        { "1e-99999999999999999999", 0.0, 0 },
        { "5e-324", 5e-324, 0 },
    };
    for (const auto& row : rows) {
        std::size_t location = 0;
        EXPECT_EQ(scanNumberFrom(row.text, &location), row.number) << row.text;
        EXPECT_EQ(location, row.location ? row.location : row.text.size()) << row.text;
    }
    EXPECT_TRUE(std::signbit(scanNumberFrom("-0")));
}

TEST(DataScanner, NumberRunFollowsTheConfiguredCharacters) {
    DataScanner scanner;
    scanner.setData("12+3");
    scanner.setDoubleCharacters(characterSetWithCharactersInString("0123456789+"));
    double number = 0;
    EXPECT_TRUE(scanner.scanNumber(&number));
    EXPECT_EQ(number, 12.0);
    EXPECT_TRUE(scanner.isAtEnd());
    // A leading plus sign, taken only where the configured characters allow it.
    scanner.setData("+12345678901234567890123");
    EXPECT_TRUE(scanner.scanNumber(&number));
    EXPECT_EQ(number, 12345678901234567890123.0);
    scanner.setData("x");
    EXPECT_FALSE(scanner.scanNumber(&number));
}

TEST(DataScanner, NumbersAndTextsEndingTheDataAreReadWithoutLookingPastIt) {
    // Each text alone in a block of exactly its size, without a terminating zero, so that a
    // read of the byte after it is caught by the address sanitizer.
    const struct {
        std::string_view text;
        double number;
    } numbers[] = { { "7", 7 },
                    { "12345678", 12345678 },
                    { "-1234567812345678", -1234567812345678 },
                    { "123456789012345678901", 123456789012345678901.0 },
                    { "-0.5e-3", -0.5e-3 },
                    { "2.5e", 2.5 },
                    { "1.2.3", 1.2 } };
    const auto alone = [](std::string_view text) {
        auto bytes = std::make_unique<char[]>(text.size());
        std::memcpy(bytes.get(), text.data(), text.size());
        return bytes;
    };
    for (const auto& [text, number] : numbers) {
        const auto bytes = alone(text);
        DataScanner scanner;
        scanner.setData(std::string_view(bytes.get(), text.size()));
        double scanned = 0;
        EXPECT_TRUE(scanner.scanNumber(&scanned)) << text;
        EXPECT_EQ(scanned, number) << text;
        EXPECT_TRUE(scanner.isAtEnd()) << text;
    }
    for (std::string_view text : { "[1,2", "{\"a\":12345678", "\"abcdefghijklmnop", "tru" })
        EXPECT_FALSE(JSONDeserializer::deserializer().deserialize(
            std::string_view(alone(text).get(), text.size())))
            << text;
}
