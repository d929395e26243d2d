#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace platform {

int FileCauseFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case EBADF:
            return kFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return kBadPath;
        case EMFILE:
        case ENFILE:
            return kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EEXIST:
        case EISDIR:
            return kAccessDenied;
        case EINVAL:
        case ENXIO:
        case ENODEV:
        case ENOEXEC:
        case ESTALE:
            return kInvalidFile;
        case ENOTEMPTY:
        case EBUSY:
            return kRemoveCurrentDir;
        case EMLINK:
            return kDirectoryFull;
        case ESPIPE:
        case EOVERFLOW:
            return kBadSeek;
        case EIO:
        case ENOMEDIUM:
        case ECANCELED:
        case EINTR:
            return kHardIO;
        case EWOULDBLOCK:
        case ETXTBSY:
            return kSharingViolation;
        case ENOLCK:
        case EDEADLK:
            return kLockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kDiskFull;
        default:
            return kGeneric;
    }
}

namespace {

// The innermost live fault; faults link to the one they hide.
ScopedFileFault* g_innermostFault = nullptr;

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

[[noreturn]] void Raise(int error, const std::string& path) {
    throw FileError(FileCauseFromErrno(error), path);
}

// Opens `path` as a regular file for the caller's sole use, or returns -1.
int OpenExclusive(const std::string& path, File::Mode mode) {
    // O_NONBLOCK keeps the open of a FIFO or a device from waiting; O_TRUNC is
    // left out so that nothing is cut before the lock is held.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
        case File::Mode::kRead:
            flags |= O_RDONLY;
            break;
        case File::Mode::kReadNoLink:
            flags |= O_RDONLY | O_NOFOLLOW;
            break;
        case File::Mode::kCreateWrite:
            flags |= O_WRONLY | O_CREAT | O_NOFOLLOW;
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return -1;
    struct stat info {};
    bool usable =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (usable) {
        const int status = ::fcntl(fd, F_GETFL);
        usable = status != -1 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
    }
    if (usable && mode == File::Mode::kCreateWrite) usable = ::ftruncate(fd, 0) == 0;
    if (!usable) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

// ---- ScopedFileFault ----------------------------------------------------------

ScopedFileFault::ScopedFileFault(FileOp op, int error, int succeedFirst)
    : op_(op), error_(error), passesLeft_(succeedFirst), outer_(g_innermostFault) {
    g_innermostFault = this;
}

ScopedFileFault::~ScopedFileFault() {
    g_innermostFault = outer_;
}

int ScopedFileFault::Take(FileOp op) {
    for (ScopedFileFault* fault = g_innermostFault; fault != nullptr; fault = fault->outer_) {
        if (fault->op_ != op) continue;
        if (fault->passesLeft_ > 0) {
            --fault->passesLeft_;
            return 0;
        }
        ++fault->failures_;
        return fault->error_;
    }
    return 0;
}

// ---- File ---------------------------------------------------------------------

File::~File() {
    Release();
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

void File::Release() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool File::Open(const std::string& path, Mode mode) {
    Release();
    path_ = AbsolutePath(path);
    if (const int fault = ScopedFileFault::Take(FileOp::kOpen)) {
        errno = fault;
        return false;
    }
    fd_ = OpenExclusive(path, mode);
    return fd_ >= 0;
}

std::uint64_t File::GetLength() const {
    if (const int fault = ScopedFileFault::Take(FileOp::kLength)) Raise(fault, path_);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Raise(errno, path_);
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t File::Read(void* buffer, std::size_t count) {
    if (const int fault = ScopedFileFault::Take(FileOp::kRead)) Raise(fault, path_);
    auto* at = static_cast<char*>(buffer);
    std::size_t done = 0;
    // One read may return less than asked (large counts, signals); keep
    // going until the count or the end of the file.
    while (done < count) {
        const ssize_t n = ::read(fd_, at + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Raise(errno, path_);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::Write(const void* buffer, std::size_t count) {
    const auto* at = static_cast<const char*>(buffer);
    if (const int fault = ScopedFileFault::Take(FileOp::kWrite)) {
        if (fault != kShortWrite) Raise(fault, path_);
        count /= 2;
        if (count > 0 && ::write(fd_, at, count) < 0) Raise(errno, path_);
        throw FileError(kDiskFull, path_);
    }
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, at + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Raise(errno, path_);
        }
        // A device that takes nothing more is full.
        if (n == 0) throw FileError(kDiskFull, path_);
        done += static_cast<std::size_t>(n);
    }
}

void File::Close() {
    if (fd_ < 0) return;
    const int fd = std::exchange(fd_, -1);
    const int fault = ScopedFileFault::Take(FileOp::kClose);
    // The descriptor is gone after close() whatever it reports, so it is
    // never closed twice; an interrupted close has still closed it.
    if (::close(fd) != 0 && errno != EINTR && fault == 0) Raise(errno, std::string());
    if (fault != 0) Raise(fault, std::string());
}

std::string File::AllocateBuffer(std::uint64_t length) {
    std::string buffer;
    if (ScopedFileFault::Take(FileOp::kAllocateBuffer) != 0 || length > buffer.max_size()) {
        throw std::bad_alloc();
    }
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

void File::Remove(const std::string& path) {
    if (const int fault = ScopedFileFault::Take(FileOp::kRemove)) Raise(fault, std::string());
    if (::unlink(path.c_str()) != 0) Raise(errno, std::string());
}

}  // namespace platform
