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

// The scans the JSON scanner does not use: each consumes only what matches, ill-formed UTF-8
// becomes replacement characters (and no remaining string), and nothing is found past a zero byte.
TEST(DataScanner, StringAndSetScansConsumeOnlyWhatMatches) {
    const auto digits = characterSetWithCharactersInString("0123456789");
    DataScanner scanner;
    std::string out;
    scanner.setData("tru12a\xFF"
                    "3");
    EXPECT_FALSE(scanner.scanUTF8String("TRUE") || scanner.scanString("trux"));
    EXPECT_TRUE(scanner.scanString("t", &out) && scanner.scanUTF8String("ru", &out) && out == "ru");
    EXPECT_FALSE(scanner.scanUpToCharactersFromSet(digits, &out));
    EXPECT_TRUE(scanner.scanCharactersFromSet(digits, &out) && out == "12");
    EXPECT_TRUE(scanner.scanUpToCharactersFromSet(digits, &out) && out == "a\uFFFD");
    EXPECT_EQ(scanner.remainingString(), "3");
    scanner.setScanLocation(0);
    EXPECT_FALSE(scanner.remainingString().has_value());
    scanner.setData(std::string_view("ab--cd\0--", 9));
    EXPECT_TRUE(scanner.scanUpToString("--", &out) && out == "ab" && scanner.scanLocation() == 2);
    scanner.setScanLocation(3);
    EXPECT_FALSE(scanner.scanUpToString("--"));
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
        { ".5", 0.5, 0 },
        { "1E3", 1000.0, 0 },
        { "1e400", HUGE_VAL, 0 },
        { "-1e400", -HUGE_VAL, 0 },
        { "0.00000000000001e330", HUGE_VAL, 0 },
        { "1e-400", 0.0, 0 },
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

// A leading plus sign is taken only where the configured characters allow it.
TEST(DataScanner, NumberRunFollowsTheConfiguredCharacters) {
    DataScanner scanner;
    scanner.setDoubleCharacters(characterSetWithCharactersInString("0123456789+"));
    double number = 0;
    scanner.setData("12+3");
    EXPECT_TRUE(scanner.scanNumber(&number) && number == 12.0 && scanner.isAtEnd());
    scanner.setData("+12345678901234567890123");
    EXPECT_TRUE(scanner.scanNumber(&number) && number == 12345678901234567890123.0);
    scanner.setData("x");
    EXPECT_FALSE(scanner.scanNumber(&number));
}

TEST(DataScanner, NumbersAndTextsEndingTheDataAreReadWithoutLookingPastIt) {
    // Each text alone in a block of exactly its size, without a terminating zero, so that a
    // read of the byte after it is caught by the address sanitizer.
    const auto alone = [](std::string_view text) {
        auto bytes = std::make_unique<char[]>(text.size());
        std::memcpy(bytes.get(), text.data(), text.size());
        return bytes;
    };
    // Their values are the table's above; what matters here is where the reading stops.
    for (std::string_view text : { "7", "12345678", "-1234567812345678", "123456789012345678901",
                                   "-0.5e-3", "2.5e", "1.2.3" }) {
        const auto bytes = alone(text);
        DataScanner scanner;
        scanner.setData(std::string_view(bytes.get(), text.size()));
        EXPECT_TRUE(scanner.scanNumber() && scanner.isAtEnd()) << text;
    }
    for (std::string_view text : { "[1,2", "{\"a\":12345678", "\"abcdefghijklmnop", "tru" })
        EXPECT_FALSE(JSONDeserializer::deserializer().deserialize(
            std::string_view(alone(text).get(), text.size())))
            << text;
}
