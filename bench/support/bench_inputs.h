#pragma once

// Inputs and naming shared by the benchmark programs. The inputs are made by
// the benchmarks themselves from a fixed seed, so every run measures the same
// bytes.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace benchinput {

// The message and page sizes every table row is measured at, in MiB.
inline const std::vector<int> kSizesMiB = {1, 16, 128};

inline constexpr std::size_t kMiB = std::size_t{1} << 20;

// A mail-like text of about `bytes` bytes (never less): header blocks of
// trace lines with bracketed relay addresses at the start, in the middle (a
// forwarded message) and at the end (a bounce quoting the original), with long
// bodies between them: prose with brackets that hold no address and base64
// attachment lines. Fewer than 20 addresses in all, so a route scan reads the
// whole text. CR LF line ends.
const std::string& MailMessage(std::size_t bytes);

// A lookup results page of about `bytes` bytes: title, a long owner record
// with tags, line breaks and the lookup service's own domain name, the abuse
// mailbox link near the end, then "</DL>" and "</HTML>" as the last lines.
// CR LF line ends.
const std::string& LookupPage(std::size_t bytes);

// "<row>/<size>MiB/<kind>"; the table reader pairs kind "routine" with kind
// "floor" of the same row and size.
std::string RowName(std::string_view row, int mib, std::string_view kind);

// Registers `routine` and `floor` of one table row at every size; each gets
// the size in bytes.
using SizedBenchmark = std::function<void(benchmark::State&, std::size_t bytes)>;
void RegisterRow(std::string_view row, SizedBenchmark routine, SizedBenchmark floor,
                 const std::vector<int>& sizesMiB = kSizesMiB);

// A fresh folder in memory (/dev/shm) or else under the system's temporary
// folder, removed with all it
// holds when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Makes `folder` the current directory while it lives.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder);
    ~InFolder();
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path previous_;
};

// Reads and writes whole files with plain system calls, for the floors.
void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

// How many `byte` the buffer holds, found with memchr: the floor of a pass
// that looks for one byte value.
std::size_t CountByMemchr(std::string_view text, char byte);

}  // namespace benchinput
