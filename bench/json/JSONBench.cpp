// Reads the same documents with Sweeplight's reader, nlohmann::json and RapidJSON (DOM, default
// flags). The documents are generated here, deterministically, at about 1 MB each:
//   Messages  - a message list: objects with string, number, boolean and null members
//   Numbers   - arrays of integers and decimals
//   Strings   - texts with escapes, \u escapes (surrogate pairs too) and raw UTF-8
// ratios.py turns the JSON output of this program into the speed ratios.
//
// Also: Sweeplight's reader on the message list at sizes from 1 KB to 100 MB (its cost per byte
// should not grow with the size), the memory its trees take (counted by this program's own
// operator new, as a multiple of the input; RapidJSON allocates with malloc and is not counted),
// and what refusing too deep a nesting costs.

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include <atomic>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <string>

namespace {

// Bytes allocated through operator new and not yet freed, and the most there have been.
std::atomic<std::int64_t> gLiveBytes { 0 };
std::atomic<std::int64_t> gPeakBytes { 0 };

void* countedAllocation(std::size_t size) {
    // The size is kept in front of the block, so that every delete can count it off.
    auto* block = static_cast<std::max_align_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::int64_t live = gLiveBytes += static_cast<std::int64_t>(size);
    std::int64_t peak = gPeakBytes.load();
    while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
    }
    return block + 1;
}

void countedFree(void* pointer) {
    if (!pointer)
        return;
    auto* block = static_cast<std::max_align_t*>(pointer) - 1;
    gLiveBytes -= static_cast<std::int64_t>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

} // namespace

void* operator new(std::size_t size) {
    return countedAllocation(size);
}
void* operator new[](std::size_t size) {
    return countedAllocation(size);
}
void operator delete(void* pointer) noexcept {
    countedFree(pointer);
}
void operator delete[](void* pointer) noexcept {
    countedFree(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    countedFree(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    countedFree(pointer);
}

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

std::string messagesDocument(std::size_t size = kDocumentSize) {
    Random random;
    std::string out = R"({"status":"ok","messages":[)";
    for (int id = 0; out.size() < size; ++id) {
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

// The memory a tree holds, and the most taken while reading it, as multiples of the input.
template <typename Read>
void countMemory(benchmark::State& state, const std::string& text, Read read) {
    const std::int64_t before = gLiveBytes.load();
    gPeakBytes = before;
    {
        auto tree = read(text);
        benchmark::DoNotOptimize(tree);
        state.counters["tree/input"] =
            static_cast<double>(gLiveBytes.load() - before) / static_cast<double>(text.size());
    }
    state.counters["peak/input"] =
        static_cast<double>(gPeakBytes.load() - before) / static_cast<double>(text.size());
}

void Sweeplight(benchmark::State& state, int which) {
    const std::string& text = document(which);
    const auto deserializer = sweeplight::json::JSONDeserializer::deserializer();
    countMemory(state, text,
                [&](const std::string& t) { return deserializer.deserializeAsDictionary(t); });
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
    countMemory(state, text,
                [](const std::string& t) { return nlohmann::json::parse(t, nullptr, false); });
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

// RapidJSON's DOM reading `text` once per iteration.
void parseWithRapidJSON(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        rapidjson::Document value;
        value.Parse(text.data(), text.size());
        if (value.HasParseError()) {
            state.SkipWithError("RapidJSON failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
}

void RapidJSON(benchmark::State& state, int which) {
    parseWithRapidJSON(state, document(which));
    setUp(state, which);
}

// The message list at the size given as the argument, in bytes.
void SweeplightSizes(benchmark::State& state) {
    const std::string text = messagesDocument(static_cast<std::size_t>(state.range(0)));
    const auto deserializer = sweeplight::json::JSONDeserializer::deserializer();
    countMemory(state, text,
                [&](const std::string& t) { return deserializer.deserializeAsDictionary(t); });
    for (auto _ : state) {
        auto dictionary = deserializer.deserializeAsDictionary(text);
        if (!dictionary) {
            state.SkipWithError("Sweeplight's reader failed");
            break;
        }
        benchmark::DoNotOptimize(dictionary);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// RapidJSON on the same documents, for comparison.
void RapidJSONSizes(benchmark::State& state) {
    const std::string text = messagesDocument(static_cast<std::size_t>(state.range(0)));
    parseWithRapidJSON(state, text);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// An input that opens far more arrays than the reader nests: it is refused at the bound, and
// what that takes should not grow with the input.
void SweeplightTooDeep(benchmark::State& state) {
    const std::string text(static_cast<std::size_t>(state.range(0)), '[');
    const auto deserializer = sweeplight::json::JSONDeserializer::deserializer();
    countMemory(state, text, [&](const std::string& t) { return deserializer.deserialize(t); });
    for (auto _ : state) {
        auto value = deserializer.deserialize(text);
        if (value) {
            state.SkipWithError("Sweeplight's reader took too deep a nesting");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
}

} // namespace

BENCHMARK(SweeplightSizes)
    ->Arg(1 << 10)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(RapidJSONSizes)
    ->Arg(1 << 10)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SweeplightTooDeep)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

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
