// How fast the route scan runs over large and hostile message texts.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/support/bench_inputs.h"
#include "route/scan_route.h"

namespace {

// Table row: the scan of a mail-like message against one memchr pass for "[".
const bool kRow = [] {
    benchinput::RegisterRow(
        "ScanRoute",
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& text = benchinput::MailMessage(bytes);
            RouteTable table;
            int routes = 0;
            for (auto _ : state) benchmark::DoNotOptimize(routes = ScanRoute(text, table));
            state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
            // Fewer than the table holds: the scan read the whole text.
            state.counters["routes"] = routes;
        },
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& text = benchinput::MailMessage(bytes);
            for (auto _ : state) benchmark::DoNotOptimize(benchinput::CountByMemchr(text, '['));
            state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
        });
    return true;
}();

// A message of `lines` header and body lines, one trace line in ten.
std::string Message(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        if (i % 10 == 0) {
            text += "Received: from relay" + std::to_string(i) + ".example [192.0.2." +
                    std::to_string(i % 250) + "] by mx.example\r\n";
        } else {
            text += "Body text with [brackets] and [1.2.3] near misses, line " + std::to_string(i) +
                    "\r\n";
        }
    }
    return text;
}

void BM_ScanRouteMessage(benchmark::State& state) {
    const std::string text = Message(static_cast<int>(state.range(0)));
    RouteTable table;
    for (auto _ : state) benchmark::DoNotOptimize(ScanRoute(text, table));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanRouteMessage)->Arg(100)->Arg(100000);

// Only opening brackets: each search for "]" must not start over.
void BM_ScanRouteOpeningBrackets(benchmark::State& state) {
    const std::string text(static_cast<size_t>(state.range(0)), '[');
    RouteTable table;
    for (auto _ : state) benchmark::DoNotOptimize(ScanRoute(text, table));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanRouteOpeningBrackets)->Arg(1 << 22);

// Many pairs that almost qualify.
void BM_ScanRouteNearMisses(benchmark::State& state) {
    std::string text;
    while (text.size() < static_cast<size_t>(state.range(0))) text += "[1.2.3.4.5][]";
    RouteTable table;
    for (auto _ : state) benchmark::DoNotOptimize(ScanRoute(text, table));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanRouteNearMisses)->Arg(1 << 22);

}  // namespace
