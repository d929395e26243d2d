// Writing the complaint file for a large quoted message.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/support/bench_inputs.h"
#include "complaint/complaint_message.h"

namespace {

const bool kRow = [] {
    // WriteComplaint against one write of the same number of bytes.
    benchinput::RegisterRow(
        "WriteComplaint",
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& source = benchinput::MailMessage(bytes);
            benchinput::TempFolder folder;
            benchinput::InFolder in(folder.path());
            for (auto _ : state) {
                if (!WriteComplaint("@example-isp.test", source)) {
                    state.SkipWithError("cannot create the complaint file");
                    break;
                }
            }
            state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
        },
        [](benchmark::State& state, std::size_t bytes) {
            const std::string& source = benchinput::MailMessage(bytes);
            benchinput::TempFolder folder;
            for (auto _ : state)
                benchinput::WriteWholeFile(folder.path() / kComplaintFileName, source);
            state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
        });
    return true;
}();

}  // namespace
