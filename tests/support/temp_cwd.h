#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh empty directory that is the current directory while the object
// lives; afterwards the earlier current directory comes back and the
// directory is removed with everything in it.
class TempCurrentDir {
public:
    TempCurrentDir();
    ~TempCurrentDir();
    TempCurrentDir(const TempCurrentDir&) = delete;
    TempCurrentDir& operator=(const TempCurrentDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// The bytes of a file, or "" when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);
// Creates or replaces a file holding `bytes`.
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace testsupport
