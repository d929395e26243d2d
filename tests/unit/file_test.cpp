#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "tests/support/file_fixtures.h"

namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::FileError;
using platform::FileOp;
using platform::ScopedFileFault;

using testsupport::CurrentDir;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

std::string ReadAll(File& file) {
    std::string text(file.GetLength(), '\0');
    text.resize(file.Read(text.data(), text.size()));
    return text;
}

// Another process that holds an exclusive flock on a file while this lives.
class LockHolder {
public:
    explicit LockHolder(const std::string& path) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(release[1]);
            const int fd = ::open(path.c_str(), O_RDONLY);
            const char status = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            if (::write(ready[1], &status, 1) != 1) ::_exit(1);
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char status = 'n';
        locked_ = ::read(ready[0], &status, 1) == 1 && status == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() {
        if (releaseFd_ >= 0) ::close(releaseFd_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    bool locked() const { return locked_; }

private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool locked_ = false;
};

// Runs `check` in a child process without the superuser's rights (a root
// user passes every permission check) and returns its exit status.
template <class Check>
int RunUnprivileged(Check check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST(FileCause, EachCauseHasItsTextForTheSystemErrorsItStandsFor) {
    const std::string path = "/home/ann/mail/spam.eml";
    struct Row {
        int error;
        const char* name;
        std::string text;
    };
    const Row rows[] = {
        {EDOM, "EDOM", "An unknown error occurred while accessing " + path + "."},
        {0, "0", "An unknown error occurred while accessing " + path + "."},
        {ENOENT, "ENOENT", path + " was not found."},
        {EBADF, "EBADF", path + " was not found."},
        {ENOTDIR, "ENOTDIR", path + " contains an invalid path."},
        {ENAMETOOLONG, "ENAMETOOLONG", path + " contains an invalid path."},
        {ELOOP, "ELOOP", path + " contains an invalid path."},
        {EMFILE, "EMFILE", path + " could not be opened because there are too many open files."},
        {ENFILE, "ENFILE", path + " could not be opened because there are too many open files."},
        {EACCES, "EACCES", "Access to " + path + " was denied."},
        {EPERM, "EPERM", "Access to " + path + " was denied."},
        {EROFS, "EROFS", "Access to " + path + " was denied."},
        {EEXIST, "EEXIST", "Access to " + path + " was denied."},
        {EISDIR, "EISDIR", "Access to " + path + " was denied."},
        {EINVAL, "EINVAL", "An invalid file handle was associated with " + path + "."},
        {ENXIO, "ENXIO", "An invalid file handle was associated with " + path + "."},
        {ENODEV, "ENODEV", "An invalid file handle was associated with " + path + "."},
        {ENOEXEC, "ENOEXEC", "An invalid file handle was associated with " + path + "."},
        {ESTALE, "ESTALE", "An invalid file handle was associated with " + path + "."},
        {ENOTEMPTY, "ENOTEMPTY",
         path + " could not be removed because it is the current directory."},
        {EBUSY, "EBUSY", path + " could not be removed because it is the current directory."},
        {EMLINK, "EMLINK", path + " could not be created because the directory is full."},
        {ESPIPE, "ESPIPE", "Seek failed on " + path},
        {EOVERFLOW, "EOVERFLOW", "Seek failed on " + path},
        {EIO, "EIO", "A hardware I/O error was reported while accessing " + path + "."},
        {ENOMEDIUM, "ENOMEDIUM", "A hardware I/O error was reported while accessing " + path + "."},
        {ECANCELED, "ECANCELED", "A hardware I/O error was reported while accessing " + path + "."},
        {EWOULDBLOCK, "EWOULDBLOCK", "A sharing violation occurred while accessing " + path + "."},
        {ETXTBSY, "ETXTBSY", "A sharing violation occurred while accessing " + path + "."},
        {ENOLCK, "ENOLCK", "A locking violation occurred while accessing " + path + "."},
        {EDEADLK, "EDEADLK", "A locking violation occurred while accessing " + path + "."},
        {ENOSPC, "ENOSPC", "Disk full while accessing " + path + "."},
        {EDQUOT, "EDQUOT", "Disk full while accessing " + path + "."},
        {EFBIG, "EFBIG", "Disk full while accessing " + path + "."},
    };
    for (const Row& row : rows) {
        const FileError error(platform::FileCauseFromErrno(row.error), path);
        EXPECT_EQ(platform::FileErrorText(error.cause(), error.path()), row.text) << row.name;
        EXPECT_STREQ(error.what(), row.text.c_str()) << row.name;
    }
    // No system error means reading past the end; the service raises it itself.
    EXPECT_EQ(platform::FileErrorText(platform::kEndOfFile, path),
              "An attempt was made to access " + path + " past its end.");
    EXPECT_EQ(platform::FileErrorText(platform::kFileNotFound, ""),
              "an unnamed file was not found.");
}

TEST(File, ReadsBackExactlyTheBytesWritten) {
    TempDir dir;
    std::string bytes = "Received: from [10.0.0.1]\r\nbare LF\n\xFF\xA0 end";
    bytes += std::string("\0tail\r", 6);
    {
        File out;
        ASSERT_TRUE(out.Open(dir / "m.eml", File::Mode::kCreateWrite));
        out.Write(bytes.data(), bytes.size());
        out.Close();
        EXPECT_FALSE(out.IsOpen());
    }
    File in;
    ASSERT_TRUE(in.Open(dir / "m.eml", File::Mode::kRead));
    EXPECT_EQ(in.GetFilePath(), dir / "m.eml");
    EXPECT_EQ(in.GetLength(), bytes.size());
    EXPECT_EQ(ReadAll(in), bytes);
    char more;
    EXPECT_EQ(in.Read(&more, 1), 0u) << "at the end";
}

TEST(File, CreateCutsALongerFileToWhatIsWritten) {
    TempDir dir;
    WriteBytes(dir / "abuse000.eml", "an older and much longer complaint");
    File out;
    ASSERT_TRUE(out.Open(dir / "abuse000.eml", File::Mode::kCreateWrite));
    out.Write("new", 3);
    out.Close();
    EXPECT_EQ(ReadBytes(dir / "abuse000.eml"), "new");
}

TEST(File, OpenFailsQuietlyForWhatIsNotAnExistingRegularFile) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Row {
        std::string path;
        File::Mode mode;
    };
    const Row rows[] = {
        {dir / "missing.eml", File::Mode::kRead},
        {dir / "no-folder/x.eml", File::Mode::kCreateWrite},
        {dir / "folder", File::Mode::kRead},
        {dir / "folder", File::Mode::kCreateWrite},
        // A FIFO with no writer or reader must not make the open wait.
        {dir / "pipe", File::Mode::kRead},
        {dir / "pipe", File::Mode::kCreateWrite},
        {"/dev/null", File::Mode::kRead},
        {"", File::Mode::kRead},
    };
    for (const Row& row : rows) {
        File file;
        EXPECT_FALSE(file.Open(row.path, row.mode))
            << row.path << (row.mode == File::Mode::kRead ? " read" : " create");
        EXPECT_FALSE(file.IsOpen()) << row.path;
    }
    EXPECT_FALSE(fs::exists(dir / "no-folder"));
}

TEST(File, IsSharedWithNoOtherOpener) {
    TempDir dir;
    const std::string path = dir / "m.eml";
    WriteBytes(path, "kept");
    {
        LockHolder other(path);
        ASSERT_TRUE(other.locked());
        File file;
        EXPECT_FALSE(file.Open(path, File::Mode::kRead));
        EXPECT_FALSE(file.Open(path, File::Mode::kCreateWrite));
        EXPECT_EQ(ReadBytes(path), "kept") << "a create on a locked file must not empty it";
    }
    // Within the program too: a second opening is refused until the first closes.
    File first;
    ASSERT_TRUE(first.Open(path, File::Mode::kRead));
    File second;
    EXPECT_FALSE(second.Open(path, File::Mode::kCreateWrite));
    EXPECT_EQ(ReadBytes(path), "kept");
    first.Close();
    EXPECT_TRUE(second.Open(path, File::Mode::kRead));
}

TEST(File, CreateNeverFollowsALinkAtTheEndOfThePath) {
    TempDir dir;
    WriteBytes(dir / "precious.txt", "precious");
    fs::create_symlink(dir / "precious.txt", dir / "abuse000.eml");
    fs::create_symlink(dir / "not-there.txt", dir / "results.htm");
    File file;
    EXPECT_FALSE(file.Open(dir / "abuse000.eml", File::Mode::kCreateWrite));
    EXPECT_EQ(ReadBytes(dir / "precious.txt"), "precious");
    EXPECT_FALSE(file.Open(dir / "results.htm", File::Mode::kCreateWrite));
    EXPECT_FALSE(fs::exists(dir / "not-there.txt"));
    // Reading through a link is allowed, unless the mode says otherwise.
    EXPECT_TRUE(file.Open(dir / "abuse000.eml", File::Mode::kRead));
    EXPECT_FALSE(file.Open(dir / "abuse000.eml", File::Mode::kReadNoLink));
    EXPECT_TRUE(file.Open(dir / "precious.txt", File::Mode::kReadNoLink));
}

TEST(File, OpenFailsQuietlyWhereAccessIsDenied) {
    TempDir dir;
    fs::permissions(dir.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directory(dir / "read-only");
    WriteBytes(dir / "read-only/old.eml", "old");
    WriteBytes(dir / "read-only/secret.eml", "secret");
    fs::permissions(dir / "read-only/old.eml", fs::perms::all);
    fs::permissions(dir / "read-only/secret.eml", fs::perms::none);
    fs::permissions(dir / "read-only", fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    const std::string readOnly = dir / "read-only";
    const int status = RunUnprivileged([&] {
        File file;
        if (file.Open(readOnly + "/new.eml", File::Mode::kCreateWrite)) return 1;
        if (::access((readOnly + "/new.eml").c_str(), F_OK) == 0) return 2;
        if (file.Open(readOnly + "/secret.eml", File::Mode::kRead)) return 3;
        return 0;
    });
    EXPECT_EQ(status, 0) << "1: created in a read-only folder, 2: left a file, 3: read a "
                            "file without read permission, 99: could not drop rights";
}

TEST(File, ReportsFailuresAfterTheOpenWithTheAbsolutePath) {
    TempDir dir;
    CurrentDir here(dir.path());
    const std::string absolute = (fs::current_path() / "m.eml").string();
    WriteBytes("m.eml", "0123456789");
    struct Row {
        const char* what;
        FileOp op;
        int error;
        std::string text;
    };
    const Row rows[] = {
        {"length", FileOp::kLength, EIO,
         "A hardware I/O error was reported while accessing " + absolute + "."},
        {"read", FileOp::kRead, EIO,
         "A hardware I/O error was reported while accessing " + absolute + "."},
        {"read", FileOp::kRead, ENOLCK,
         "A locking violation occurred while accessing " + absolute + "."},
        {"close", FileOp::kClose, EIO,
         "A hardware I/O error was reported while accessing an unnamed file."},
    };
    for (const Row& row : rows) {
        File file;
        ASSERT_TRUE(file.Open("m.eml", File::Mode::kRead));
        EXPECT_EQ(file.GetFilePath(), absolute);
        ScopedFileFault fault(row.op, row.error);
        try {
            char buffer[4];
            if (row.op == FileOp::kLength) file.GetLength();
            if (row.op == FileOp::kRead) file.Read(buffer, sizeof buffer);
            if (row.op == FileOp::kClose) file.Close();
            ADD_FAILURE() << row.what << " did not raise";
        } catch (const FileError& e) {
            EXPECT_EQ(platform::FileErrorText(e.cause(), e.path()), row.text) << row.what;
        }
        EXPECT_EQ(fault.failures(), 1) << row.what;
    }
    // Every file was released, the one whose close failed included.
    File again;
    EXPECT_TRUE(again.Open("m.eml", File::Mode::kCreateWrite));
}

TEST(File, WriteFailuresAreReportedAndKeepWhatWasWritten) {
    TempDir dir;
    const std::string path = dir / "abuse000.eml";
    File out;
    ASSERT_TRUE(out.Open(path, File::Mode::kCreateWrite));
    {
        ScopedFileFault full(FileOp::kWrite, platform::kShortWrite, 1);
        out.Write("line 1\r\n", 8);
        try {
            out.Write("ABCDEFGH", 8);
            ADD_FAILURE() << "a short write did not raise";
        } catch (const FileError& e) {
            EXPECT_EQ(platform::FileErrorText(e.cause(), e.path()),
                      "Disk full while accessing " + path + ".");
        }
    }
    {
        ScopedFileFault quota(FileOp::kWrite, EDQUOT);
        EXPECT_THROW(out.Write("x", 1), FileError);
    }
    out.Write("!", 1);  // the faults are gone with their scopes
    out.Close();
    EXPECT_EQ(ReadBytes(path), "line 1\r\nABCD!");
}

TEST(File, RemoveDeletesByNameAndReportsAnUnnamedFile) {
    TempDir dir;
    const std::string path = dir / "results.htm";
    WriteBytes(path, "page");
    {
        ScopedFileFault fault(FileOp::kRemove, EACCES);
        try {
            File::Remove(path);
            ADD_FAILURE() << "the remove did not raise";
        } catch (const FileError& e) {
            EXPECT_EQ(platform::FileErrorText(e.cause(), e.path()),
                      "Access to an unnamed file was denied.");
        }
        EXPECT_TRUE(fs::exists(path));
    }
    File::Remove(path);
    EXPECT_FALSE(fs::exists(path));
    try {
        File::Remove(path);
        ADD_FAILURE() << "removing a missing file did not raise";
    } catch (const FileError& e) {
        EXPECT_EQ(platform::FileErrorText(e.cause(), e.path()), "an unnamed file was not found.");
    }
}

TEST(File, BufferForAWholeFileOrOutOfMemory) {
    EXPECT_EQ(File::AllocateBuffer(5), std::string(5, '\0'));
    EXPECT_THROW(File::AllocateBuffer(std::numeric_limits<std::uint64_t>::max()), std::bad_alloc);
    ScopedFileFault fault(FileOp::kAllocateBuffer, ENOMEM, 1);
    EXPECT_EQ(File::AllocateBuffer(0), "");
    EXPECT_THROW(File::AllocateBuffer(1), std::bad_alloc);
    EXPECT_EQ(fault.failures(), 1);
}

TEST(ScopedFileFault, FailsOnlyItsOwnOperationAndNests) {
    TempDir dir;
    WriteBytes(dir / "m.eml", "abc");
    ScopedFileFault outer(FileOp::kOpen, EACCES);
    File file;
    EXPECT_FALSE(file.Open(dir / "m.eml", File::Mode::kRead));
    {
        ScopedFileFault inner(FileOp::kOpen, EACCES, 1);
        ScopedFileFault unrelated(FileOp::kRead, EIO);
        EXPECT_TRUE(file.Open(dir / "m.eml", File::Mode::kRead)) << "the inner fault lets one pass";
        EXPECT_EQ(file.GetLength(), 3u);
        EXPECT_FALSE(file.Open(dir / "m.eml", File::Mode::kRead));
        EXPECT_EQ(inner.failures(), 1);
    }
    EXPECT_FALSE(file.Open(dir / "m.eml", File::Mode::kRead));
    EXPECT_EQ(outer.failures(), 2);
}

}  // namespace
