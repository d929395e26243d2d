#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace platform {

// A file of the file service. Every file is opened in binary mode and shared
// with no other opener while it is open (an exclusive, non-blocking flock
// taken before anything is read, written or cut). A failed Open only returns
// false; every other failure raises FileError with the cause and the file's
// absolute path ("an unnamed file" for Close and Remove).
class File {
public:
    enum class Mode {
        kRead,         // an existing regular file, for reading only
        kCreateWrite,  // created, or cut to length 0 once locked; writing only;
                       // a symbolic link at the last part of the path is never followed
    };

    File() = default;
    ~File();  // closes an open file, ignoring errors
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // Opens `path`, relative names against the current directory. Returns
    // false, raising nothing, when the file cannot be opened: missing, not a
    // regular file, access denied, or locked by another opener.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    // The absolute path given at the opening.
    const std::string& GetFilePath() const { return path_; }

    std::uint64_t GetLength() const;
    // Reads up to `count` bytes; returns how many were read (0 at the end).
    std::size_t Read(void* buffer, std::size_t count);
    // Writes all `count` bytes, or raises (a short write is "disk full").
    void Write(const void* buffer, std::size_t count);
    void Close();

    // Deletes a file by name.
    static void Remove(const std::string& path);

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
