// Reading a large lookup page: splitting the body into page lines as it
// arrives, and building the results text from the saved page.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "bench/support/bench_inputs.h"
#include "lookup/lookup_download.h"
#include "lookup/lookup_fetch.h"
#include "lookup/results_page.h"
#include "platform/file.h"

namespace {

using benchinput::LookupPage;

void CountBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// Table rows, each against its floor on the same page.
const bool kRows = [] {
    // The page lines of an in-memory page written to the results file by
    // the download's copying step; the floor finds every LF and writes the
    // page in one piece.
    benchinput::RegisterRow(
        "PageLines+results.htm",
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& page = LookupPage(bytes);
            benchinput::TempFolder folder;
            benchinput::InFolder in(folder.path());
            for (auto _ : state) {
                platform::File file;
                if (!file.Open(kResultsFileName, platform::File::Mode::kCreateWrite)) {
                    state.SkipWithError("cannot create the results file");
                    break;
                }
                std::size_t at = 0;
                SavePageLines(
                    [&page, &at](char* buffer, std::size_t size) {
                        const std::size_t count = std::min(size, page.size() - at);
                        std::memcpy(buffer, page.data() + at, count);
                        at += count;
                        return count;
                    },
                    file);
                file.Close();
            }
            CountBytes(state, page.size());
        },
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& page = LookupPage(bytes);
            benchinput::TempFolder folder;
            for (auto _ : state) {
                benchmark::DoNotOptimize(benchinput::CountByMemchr(page, '\n'));
                benchinput::WriteWholeFile(folder.path() / kResultsFileName, page);
            }
            CountBytes(state, page.size());
        });

    // The readers of a saved page, each against one memchr pass for the
    // byte it looks for first: "<" starts every tag, "m" starts "mailto:".
    const auto memchrPass = [](char byte) {
        return [byte](benchmark::State& state, std::size_t bytes) {
            const std::string& page = LookupPage(bytes);
            for (auto _ : state) benchmark::DoNotOptimize(benchinput::CountByMemchr(page, byte));
            CountBytes(state, page.size());
        };
    };
    benchinput::RegisterRow(
        "ExtractResultsText",
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& page = LookupPage(bytes);
            for (auto _ : state) benchmark::DoNotOptimize(ExtractResultsText(page));
            CountBytes(state, page.size());
        },
        memchrPass('<'));
    benchinput::RegisterRow(
        "ExtractContactDomain",
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& page = LookupPage(bytes);
            for (auto _ : state) benchmark::DoNotOptimize(ExtractContactDomain(page));
            CountBytes(state, page.size());
        },
        memchrPass('m'));
    return true;
}();

// An owner record page of about `bytes` bytes, with CR LF line ends.
std::string LargePage(std::size_t bytes) {
    std::string page =
        "<HTML>\r\n<HEAD><TITLE>Abuse lookup</TITLE></HEAD>\r\n"
        "<CENTER><FONT SIZE=\"+2\">Owner of 192.0.2.1</FONT></CENTER>\r\n"
        "<P><A HREF=\"mailto:abuse@example-isp.test\">abuse</A></P>\r\n<DL>\r\n";
    for (int i = 0; page.size() < bytes; ++i) {
        page += "<DT><B>Remark " + std::to_string(i) +
                ":</B><DD>Example ISP Ltd.<BR>checked by www.abuse-lookup.example</P>\r\n";
    }
    page += "</DL>\r\n";
    return page;
}

void BM_ExtractResultsText(benchmark::State& state) {
    const std::string page = LargePage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExtractResultsText(page, "abuse-lookup.example"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ExtractResultsText)->Arg(1 << 16)->Arg(1 << 20)->Arg(1 << 24);

// Hostile text: every step of the reader has a run that a naive reader
// handles in quadratic time.
void BM_ExtractResultsTextHostile(benchmark::State& state) {
    std::string page = "<FONT SIZE=\"+1\">T</FONT><DL>a\r\n";
    const auto bytes = static_cast<std::size_t>(state.range(0));
    while (page.size() < bytes / 2) page += "\n ";
    while (page.size() < bytes) page += "abuse-lookup.example";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExtractResultsText(page, "abuse-lookup.example"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ExtractResultsTextHostile)->Arg(1 << 20)->Arg(1 << 24);

// Page lines of a large page fed in reads of `range(1)` bytes; range(0) is
// the page size. A page of one line shows lines spanning many reads.
void SplitLines(benchmark::State& state, const std::string& page) {
    const auto readSize = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) {
        PageLineReader reader;
        std::string_view line;
        std::size_t lines = 0;
        for (std::size_t at = 0; at < page.size(); at += readSize) {
            reader.Feed(std::string_view(page).substr(at, readSize));
            while (reader.NextLine(line)) ++lines;
        }
        if (reader.Finish(line)) ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_PageLines(benchmark::State& state) {
    SplitLines(state, LargePage(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_PageLines)->Args({1 << 24, 4096})->Args({1 << 24, 64});

void BM_PageLinesOneLongLine(benchmark::State& state) {
    SplitLines(state, std::string(static_cast<std::size_t>(state.range(0)), 'x'));
}
BENCHMARK(BM_PageLinesOneLongLine)->Args({1 << 24, 4096});

}  // namespace
