// Reads and writes data files of growing size: a dictionary of N members, each an integer
// under its own key, in the order the writer puts them. Both must grow linearly with N; the
// largest, 1M members (about 45 MB), must read in well under two seconds.
//   foundation_bench --benchmark_filter=ReadDictionary

#include "foundation/PropertyList.h"

#include <benchmark/benchmark.h>
#include <string>

using sweeplight::foundation::PropertyList;

namespace {

PropertyList dictionaryOf(std::int64_t members) {
    PropertyList::Dictionary entries;
    for (std::int64_t index = 0; index < members; ++index)
        entries.emplace("key" + std::to_string(index), PropertyList::integer(index));
    return PropertyList::dictionary(std::move(entries));
}

void ReadDictionary(benchmark::State& state) {
    const std::string xml = *dictionaryOf(state.range(0)).toXml();
    for (auto _ : state) {
        auto tree = PropertyList::fromXml(xml);
        benchmark::DoNotOptimize(tree);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(xml.size()));
}
BENCHMARK(ReadDictionary)
    ->RangeMultiplier(4)
    ->Range(1 << 12, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void WriteDictionary(benchmark::State& state) {
    const PropertyList tree = dictionaryOf(state.range(0));
    for (auto _ : state) {
        auto xml = tree.toXml();
        benchmark::DoNotOptimize(xml);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(WriteDictionary)
    ->RangeMultiplier(4)
    ->Range(1 << 12, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
