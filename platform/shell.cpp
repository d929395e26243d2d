#include "platform/shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

namespace {

ScopedShellLauncher* g_launcher = nullptr;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A scheme (a letter, then letters, digits, "+", "-" or ".") followed by "://".
bool IsUrl(std::string_view text) {
    if (text.empty() || !IsAsciiLetter(text[0])) return false;
    size_t i = 1;
    while (i < text.size() && (IsAsciiLetter(text[i]) || IsAsciiDigit(text[i]) || text[i] == '+' ||
                               text[i] == '-' || text[i] == '.')) {
        ++i;
    }
    return text.substr(i, 3) == "://";
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The full path of the program `name` in PATH. Relative and empty folders of
// PATH are skipped, so a document in the current directory is never taken
// for a program.
std::optional<std::string> FindProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    const char* env = std::getenv("PATH");
    const std::string path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        const std::string folder = path.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') {
            std::string candidate = folder;
            if (candidate.back() != '/') candidate += '/';
            candidate += name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// A relative name that starts with "-" would read as an option to xdg-open.
std::string AsOperand(const std::string& name) {
    return !name.empty() && name[0] == '-' ? "./" + name : name;
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// Reports errno through the error pipe and ends the child.
[[noreturn]] void FailChild(int errorPipe) {
    const int error = errno;
    [[maybe_unused]] ssize_t ignored = write(errorPipe, &error, sizeof error);
    _exit(127);
}

// Runs in the launched process between fork and exec, so it calls only
// async-signal-safe functions and touches only memory prepared beforehand.
[[noreturn]] void ExecChild(const char* program, char* const argv[], const char* directory,
                            int devNull, int errorPipe, int maxFd) {
    // Ignored signals would stay ignored across exec; the program gets the
    // defaults and an empty signal mask.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    if (directory != nullptr && chdir(directory) != 0) FailChild(errorPipe);
    if (devNull == STDIN_FILENO) {
        if (fcntl(STDIN_FILENO, F_SETFD, 0) != 0) FailChild(errorPipe);
    } else if (dup2(devNull, STDIN_FILENO) < 0) {
        FailChild(errorPipe);
    }
    // Nothing of this program beyond the standard streams reaches the
    // launched one. The error pipe survives until exec succeeds.
    if (close_range(3, UINT_MAX, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < maxFd; ++fd) {
            if (fd != errorPipe) close(fd);
        }
    }
    execv(program, argv);
    FailChild(errorPipe);
}

// Starts `program` with `args` (argv[0] first) detached: an intermediate
// child starts a new session, forks the program and exits at once, and is
// reaped here, so the program is adopted by init and outlives this process.
// Exec failures come back through a close-on-exec pipe.
bool Spawn(const std::string& program, const std::vector<std::string>& args,
           const std::string& directory) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* dir = directory.empty() ? nullptr : directory.c_str();

    Fd devNull(open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (devNull.get() < 0) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);
    struct rlimit limit {};
    int maxFd = 1024;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        maxFd = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, INT_MAX));
    }

    // No handler of this program may run in the children.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t middle = fork();
    if (middle == 0) {
        setsid();
        // _Fork runs no fork handlers, which this copy of a possibly
        // threaded process must not run again.
        const pid_t child = _Fork();
        if (child == 0) {
            ExecChild(program.c_str(), argv.data(), dir, devNull.get(), writeEnd.get(), maxFd);
        }
        if (child < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t ignored = write(writeEnd.get(), &error, sizeof error);
        }
        _exit(0);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (middle < 0) return false;

    writeEnd.reset();
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(readEnd.get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

bool Launch(const std::string& operation, const std::string& file, const std::string& parameters,
            const std::string& directory) {
    if (!operation.empty() && operation != "open") return false;
    if (file.empty()) return false;

    std::string document = file;
    if (!IsUrl(file)) {
        if (std::optional<std::string> program = FindProgram(file)) {
            std::optional<std::vector<std::string>> args = SplitCommandLine(parameters);
            if (!args) return false;
            args->insert(args->begin(), file);
            return Spawn(*program, *args, directory);
        }
        if (EqualsIgnoringCase(file, "hh.exe")) {
            // Without the help viewer, the help file itself goes to the
            // desktop, which opens it at its default page.
            std::optional<std::vector<std::string>> args = SplitCommandLine(parameters);
            if (!args || args->empty()) return false;
            document = args->front().substr(0, args->front().find("::"));
            if (document.empty()) return false;
            std::string where = document;
            if (where[0] != '/' && !directory.empty()) where = directory + "/" + where;
            struct stat st;
            if (stat(where.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        }
    }
    const std::optional<std::string> opener = FindProgram("xdg-open");
    if (!opener) return false;
    return Spawn(*opener, {"xdg-open", AsOperand(document)}, directory);
}

}  // namespace

bool ShellExecute(const std::string& operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int showCommand) {
    if (g_launcher != nullptr) {
        return g_launcher->launcher_
                   ? g_launcher->launcher_({operation, file, parameters, directory, showCommand})
                   : false;
    }
    return Launch(operation, file, parameters, directory);
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string word;
    bool inWord = false;  // also true for a word that so far holds only ''
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) args.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\'') {
            const size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            word.append(line.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            inWord = true;
            ++i;
            for (;;) {
                if (i >= line.size()) return std::nullopt;
                const char d = line[i];
                if (d == '"') {
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < line.size()) {
                    const char next = line[i + 1];
                    if (next == '$' || next == '`' || next == '"' || next == '\\') {
                        word += next;
                        i += 2;
                        continue;
                    }
                    if (next == '\n') {
                        i += 2;
                        continue;
                    }
                }
                word += d;
                ++i;
            }
        } else if (c == '\\') {
            if (i + 1 >= line.size()) return std::nullopt;
            // A backslash before a line feed joins lines and adds nothing.
            if (line[i + 1] != '\n') {
                word += line[i + 1];
                inWord = true;
            }
            i += 2;
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord) args.push_back(std::move(word));
    return args;
}

ScopedShellLauncher::ScopedShellLauncher(std::function<bool(const ShellRequest&)> launcher)
    : launcher_(std::move(launcher)), previous_(g_launcher) {
    g_launcher = this;
}

ScopedShellLauncher::~ScopedShellLauncher() {
    g_launcher = previous_;
}

}  // namespace platform
