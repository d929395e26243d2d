#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/file_fixtures.h"

namespace testsupport {

// How a fake program was started, as it recorded itself.
struct FakeLaunch {
    std::string program;                 // the name it was started under
    std::string directory;               // its working directory, symbolic links resolved
    int parent = 0;                      // its parent's process id
    int session = 0;                     // its session id
    std::string standardInput;           // what its descriptor 0 refers to
    std::vector<std::string> openFiles;  // what its other descriptors refer to
    std::vector<std::string> args;       // its arguments after the program name
};

// A temporary folder of fake programs, put first on PATH while the object
// lives. Each fake is a small shell script that writes one record of how it
// was started into the file named by FAKE_PROGRAM_RECORD (replacing it in
// one step, so a record is never seen half written) and exits. Only one
// FakePrograms may live at a time.
class FakePrograms {
public:
    // Makes fakes under these names.
    explicit FakePrograms(const std::vector<std::string>& names = {"xdg-open", "hh.exe"});
    // Restores PATH and FAKE_PROGRAM_RECORD and removes the folder.
    ~FakePrograms();
    FakePrograms(const FakePrograms&) = delete;
    FakePrograms& operator=(const FakePrograms&) = delete;

    // Adds a file `name` with `content` to the folder, executable or not.
    void AddFile(const std::string& name, const std::string& content, bool executable);
    // The folder's path with symbolic links resolved.
    const std::string& folder() const { return folder_; }

    // Waits for the next record, takes it and returns it; gives up with
    // nothing after a bound long enough for a loaded machine.
    std::optional<FakeLaunch> WaitForLaunch();

private:
    TempDir dir_;
    std::string folder_;
    std::string record_;
    std::optional<std::string> oldPath_;
    std::optional<std::string> oldRecord_;
};

}  // namespace testsupport
