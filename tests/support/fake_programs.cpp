#include "tests/support/fake_programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace {

// Records, one per line: the program's name, its working directory, its
// parent process and session, the target of each of its descriptors
// ("fd<n>=") and its arguments.
constexpr const char* kRecorder = R"sh(#!/bin/sh
record=${FAKE_PROGRAM_RECORD:?}
part="$record.$$"
{
    printf 'program=%s\n' "${0##*/}"
    printf 'directory=%s\n' "$(pwd -P)"
    printf 'parent=%s\n' "$PPID"
    printf 'session=%s\n' "$(cut -d ' ' -f 6 /proc/$$/stat)"
    for fd in /proc/$$/fd/*; do
        printf 'fd%s=%s\n' "${fd##*/}" "$(readlink "$fd")"
    done
    for arg in "$@"; do
        printf 'arg=%s\n' "$arg"
    done
} >"$part" && mv -f "$part" "$record"
)sh";

std::optional<std::string> GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

std::string MakeTempFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "brindle-test-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return std::filesystem::canonical(templ).string();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

FakePrograms::FakePrograms(const std::vector<std::string>& names)
    : folder_(MakeTempFolder()),
      record_(folder_ + "/launch.record"),
      oldPath_(GetEnv("PATH")),
      oldRecord_(GetEnv("FAKE_PROGRAM_RECORD")) {
    for (const std::string& name : names) AddFile(name, kRecorder, true);
    const std::string path = oldPath_ ? folder_ + ":" + *oldPath_ : folder_;
    setenv("PATH", path.c_str(), 1);
    setenv("FAKE_PROGRAM_RECORD", record_.c_str(), 1);
}

FakePrograms::~FakePrograms() {
    RestoreEnv("PATH", oldPath_);
    RestoreEnv("FAKE_PROGRAM_RECORD", oldRecord_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void FakePrograms::AddFile(const std::string& name, const std::string& content, bool executable) {
    const std::string path = folder_ + "/" + name;
    WriteWholeFile(path, content);
    chmod(path.c_str(), executable ? 0755 : 0644);
}

std::optional<FakeLaunch> FakePrograms::WaitForLaunch() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::optional<std::string> text;
    while (!(text = ReadWholeFile(record_))) {
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::filesystem::remove(record_);

    FakeLaunch launch;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key == "program") {
            launch.program = value;
        } else if (key == "directory") {
            launch.directory = value;
        } else if (key == "parent") {
            launch.parent = std::atoi(value.c_str());
        } else if (key == "session") {
            launch.session = std::atoi(value.c_str());
        } else if (key == "arg") {
            launch.args.push_back(value);
        } else if (key == "fd0") {
            launch.standardInput = value;
        } else if (key.rfind("fd", 0) == 0) {
            launch.openFiles.push_back(value);
        }
    }
    return launch;
}

ScopedWorkFolder::ScopedWorkFolder()
    : path_(MakeTempFolder()), previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path_);
}

ScopedWorkFolder::~ScopedWorkFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    // Leave nothing unremovable behind: a test may have taken write access away.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
