// Reads the same documents with Sweeplight's reader, nlohmann::json and RapidJSON (DOM, default
// flags). The documents are generated here, deterministically, at about 1 MB each:
//   Messages  - a message list: objects with string, number, boolean and null members
//   Numbers   - arrays of integers and decimals
//   Strings   - texts with escapes, \u escapes (surrogate pairs too) and raw UTF-8
// ratios.py turns the JSON output of this program into the speed ratios.

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <string>

namespace {

constexpr std::size_t kDocumentSize = 1 << 20;

// A small fixed-seed generator, so every run reads the same bytes.
class Random {
public:
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t below(std::uint32_t bound) { return next() % bound; }

private:
    std::uint64_t state_ { 0x5EEDULL };
};

void appendNumber(std::string& out, double number) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    // Our service never writes a plus sign in an exponent (the reader stops at one).
    for (char* p = buffer; p < result.ptr; ++p)
        if (*p != '+')
            out.push_back(*p);
}

void appendWord(std::string& out, Random& random) {
    static const char* const kWords[] = { "sweep",   "light",   "wave",  "hey", "message", "colour",
                                          "rainbow", "picture", "phone", "air", "swing",   "led" };
    out += kWords[random.below(std::size(kWords))];
}

std::string messagesDocument() {
    Random random;
    std::string out = R"({"status":"ok","messages":[)";
    for (int id = 0; out.size() < kDocumentSize; ++id) {
        if (id)
            out += ',';
        out += R"({"id":)" + std::to_string(id);
        out += R"(,"title":")";
        for (int w = 0, n = 2 + random.below(4); w < n; ++w) {
            if (w)
                out += ' ';
            appendWord(out, random);
        }
        out += R"(","body":")";
        for (int w = 0, n = 8 + random.below(20); w < n; ++w) {
            if (w)
                out += ' ';
            appendWord(out, random);
        }
        out += R"(","date":"2026-12-)" + std::to_string(10 + random.below(20)) + R"( 12:00:00")";
        out += R"(,"url":"http://example.com/m?id=)" + std::to_string(id) + '"';
        out += R"(,"score":)";
        appendNumber(out, random.below(100000) / 100.0);
        out += R"(,"read":)";
        out += random.below(2) ? "true" : "false";
        out += R"(,"link":null,"buttons":["OK","Later"]})";
    }
    out += "]}";
    return out;
}

std::string numbersDocument() {
    Random random;
    std::string out = R"({"samples":[)";
    for (int row = 0; out.size() < kDocumentSize; ++row) {
        if (row)
            out += ',';
        out += '[';
        for (int i = 0; i < 16; ++i) {
            if (i)
                out += ',';
            switch (random.below(4)) {
            case 0:
                out += std::to_string(static_cast<int>(random.next()) / 7);
                break;
            case 1:
                appendNumber(out, (static_cast<int>(random.below(2000000)) - 1000000) / 1024.0);
                break;
            case 2:
                appendNumber(out, random.next() * 1e-12);
                break;
            default:
                appendNumber(out, static_cast<double>(random.next()) * random.next() * 1e10);
                break;
            }
        }
        out += ']';
    }
    out += "]}";
    return out;
}

std::string stringsDocument() {
    Random random;
    static const char* const kPieces[] = {
        "plain text ", "\\\"quoted\\\" ",       "back\\\\slash ", "line\\nbreak ",   "tab\\there ",
        "caf\\u00e9 ", "smile \\ud83d\\ude00 ", "na\xC3\xAFve ",  "\xE2\x82\xAC 5 ", "path\\/to "
    };
    std::string out = R"({"texts":[)";
    for (int i = 0; out.size() < kDocumentSize; ++i) {
        if (i)
            out += ',';
        out += '"';
        for (int p = 0, n = 3 + random.below(12); p < n; ++p)
            out += kPieces[random.below(std::size(kPieces))];
        out += '"';
    }
    out += "]}";
    return out;
}

const std::string& document(int which) {
    static const std::string documents[] = { messagesDocument(), numbersDocument(),
                                             stringsDocument() };
    return documents[which];
}

void setUp(benchmark::State& state, int which) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document(which).size()));
}

void Sweeplight(benchmark::State& state, int which) {
    const std::string& text = document(which);
    const auto deserializer = sweeplight::json::JSONDeserializer::deserializer();
    for (auto _ : state) {
        auto dictionary = deserializer.deserializeAsDictionary(text);
        if (!dictionary || dictionary->size() == 0) {
            state.SkipWithError("Sweeplight's reader failed");
            break;
        }
        benchmark::DoNotOptimize(dictionary);
    }
    setUp(state, which);
}

void Nlohmann(benchmark::State& state, int which) {
    const std::string& text = document(which);
    for (auto _ : state) {
        auto value = nlohmann::json::parse(text, nullptr, false);
        if (value.is_discarded()) {
            state.SkipWithError("nlohmann::json failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
    setUp(state, which);
}

void RapidJSON(benchmark::State& state, int which) {
    const std::string& text = document(which);
    for (auto _ : state) {
        rapidjson::Document value;
        value.Parse(text.data(), text.size());
        if (value.HasParseError()) {
            state.SkipWithError("RapidJSON failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
    setUp(state, which);
}

} // namespace

BENCHMARK_CAPTURE(Sweeplight, Messages, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nlohmann, Messages, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RapidJSON, Messages, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Sweeplight, Numbers, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nlohmann, Numbers, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RapidJSON, Numbers, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Sweeplight, Strings, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nlohmann, Strings, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RapidJSON, Strings, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
