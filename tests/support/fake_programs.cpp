#include "tests/support/fake_programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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

FakePrograms::FakePrograms(const std::vector<std::string>& names)
    : folder_(std::filesystem::canonical(dir_.path()).string()),
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
}

void FakePrograms::AddFile(const std::string& name, const std::string& content, bool executable) {
    const std::string path = folder_ + "/" + name;
    WriteBytes(path, content);
    chmod(path.c_str(), executable ? 0755 : 0644);
}

std::optional<FakeLaunch> FakePrograms::WaitForLaunch() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(record_)) {
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string text = ReadBytes(record_);
    std::filesystem::remove(record_);

    FakeLaunch launch;
    std::istringstream lines(text);
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

}  // namespace testsupport
