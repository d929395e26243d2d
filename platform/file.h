#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace platform {

// The cause (1 to 14, see FileCause) that reports the system error `error`
// (an errno value). Errors the causes do not name give kGeneric.
int FileCauseFromErrno(int error);

// A file of the file service. Every file is opened in binary mode and shared
// with no other opener while it is open (an exclusive, non-blocking flock
// taken before anything is read, written or cut). A failed Open only returns
// false; every other failure raises FileError with the cause and the file's
// absolute path ("an unnamed file" for Close and Remove).
class File {
public:
    enum class Mode {
        kRead,         // an existing regular file, for reading only
        kReadNoLink,   // the same, but a symbolic link at the last part of the
                       // path is never followed (for working files of fixed names)
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
    // regular file (a directory, a FIFO, a device), access denied, or locked
    // by another opener; a create that fails leaves an existing file as it
    // was. A File that is already open is closed first, ignoring errors.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    // The path given at the opening, made absolute against the current
    // directory of that moment (not otherwise normalised).
    const std::string& GetFilePath() const { return path_; }

    // The file's length in bytes.
    std::uint64_t GetLength() const;
    // Reads up to `count` bytes from the current position; returns how many
    // were read, fewer than `count` only at the end of the file.
    std::size_t Read(void* buffer, std::size_t count);
    // Writes all `count` bytes, or raises; a write the device takes only in
    // part raises kDiskFull, and the part written stays in the file.
    void Write(const void* buffer, std::size_t count);
    // Closes the file; the descriptor is released even when this raises.
    // Closing a File that is not open does nothing.
    void Close();

    // Deletes the file (or the link) `path` by name.
    static void Remove(const std::string& path);

    // A buffer of `length` bytes (zeros) to read a whole file into. Raises
    // std::bad_alloc when no buffer of that size can be had.
    static std::string AllocateBuffer(std::uint64_t length);

private:
    void Release() noexcept;

    int fd_ = -1;
    std::string path_;
};

// ---- Fault injection for tests ------------------------------------------------

// The operations of File that a test can make fail.
enum class FileOp { kOpen, kLength, kRead, kWrite, kClose, kRemove, kAllocateBuffer };

// An error value for FileOp::kWrite only: the write stores the first half of
// the bytes it was given and then fails as a short write (kDiskFull).
inline constexpr int kShortWrite = -1;

// Makes File fail while this object lives, for tests only: production code
// never creates one, and without one File only reports what the system says.
//
//   platform::ScopedFileFault fault(platform::FileOp::kRead, EIO);
//   // every File::Read now raises FileError(kHardIO, <the file's path>)
//
// While it lives, each call of `op` after the first `succeedFirst` calls
// fails as if the system had reported errno `error` (or kShortWrite): Open
// returns false; GetLength, Read and Write raise with the file's path; Close
// releases the descriptor and then raises; Remove deletes nothing and raises;
// AllocateBuffer raises std::bad_alloc, whatever the error.
// The failing call does not touch the file, except for the half stored by a
// short write. Faults nest; the one created last decides for its op. Create
// and destroy them on the thread that uses File, in stack order.
class ScopedFileFault {
public:
    ScopedFileFault(FileOp op, int error, int succeedFirst = 0);
    ~ScopedFileFault();
    ScopedFileFault(const ScopedFileFault&) = delete;
    ScopedFileFault& operator=(const ScopedFileFault&) = delete;

    // How many calls of `op` this fault has made fail so far.
    int failures() const { return failures_; }

private:
    friend class File;
    // The error that the innermost live fault for `op` injects into this
    // call, or 0 when the call goes to the system.
    static int Take(FileOp op);

    FileOp op_;
    int error_;
    int passesLeft_;
    int failures_ = 0;
    ScopedFileFault* outer_;
};

}  // namespace platform
