#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A failure of the file service. `cause` is one of the FileCause values;
// `path` is the file's absolute path, or empty for an operation that carries
// no file name (a close, a delete by name).
enum FileCause {
    kGeneric = 1,
    kFileNotFound = 2,
    kBadPath = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kInvalidFile = 6,
    kRemoveCurrentDir = 7,
    kDirectoryFull = 8,
    kBadSeek = 9,
    kHardIO = 10,
    kSharingViolation = 11,
    kLockViolation = 12,
    kDiskFull = 13,
    kEndOfFile = 14,
};

class FileError : public std::runtime_error {
public:
    FileError(int cause, std::string path);
    int cause() const noexcept { return cause_; }
    const std::string& path() const noexcept { return path_; }

private:
    int cause_;
    std::string path_;
};

// The text that reports a file error: the cause's sentence with the path (or
// "an unnamed file") in place of %1.
std::string FileErrorText(int cause, const std::string& path);

// A failure of the Internet layer, with the layer's code and its message text
// (empty when the layer has none).
class NetworkError : public std::runtime_error {
public:
    NetworkError(int code, std::string text);
    int code() const noexcept { return code_; }
    const std::string& text() const noexcept { return text_; }

private:
    int code_;
    std::string text_;
};

}  // namespace platform
