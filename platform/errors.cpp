#include "platform/errors.h"

#include <array>

namespace platform {

namespace {

constexpr std::array<const char*, 14> kCauseTexts = {
    "An unknown error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an invalid path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An invalid file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};

}  // namespace

FileError::FileError(int cause, std::string path)
    : std::runtime_error(FileErrorText(cause, path)), cause_(cause), path_(std::move(path)) {}

std::string FileErrorText(int cause, const std::string& path) {
    if (cause < 1 || cause > static_cast<int>(kCauseTexts.size())) cause = kGeneric;
    std::string text = kCauseTexts[static_cast<size_t>(cause - 1)];
    const std::string name = path.empty() ? "an unnamed file" : path;
    // The path is inserted once; a "%1" inside the path itself stays as it is.
    const auto at = text.find("%1");
    text.replace(at, 2, name);
    return text;
}

NetworkError::NetworkError(int code, std::string text)
    : std::runtime_error(text.empty() ? "Internal application error." : text),
      code_(code),
      text_(std::move(text)) {}

}  // namespace platform
