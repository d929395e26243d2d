#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "tests/support/fake_programs.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::CurrentDir;
using testsupport::FakeLaunch;
using testsupport::FakePrograms;
using testsupport::TempDir;
using Args = std::vector<std::string>;

std::string Canonical(const TempDir& dir) {
    return std::filesystem::canonical(dir.path()).string();
}

// True when this process has no child left, neither running nor a zombie.
bool NoChildren() {
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(SplitCommandLine, SplitsAsAShellWithoutExpanding) {
    struct Case {
        const char* line;
        Args expected;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {" \t\n ", {}},
        {"Brindle.chm::/step1.htm", {"Brindle.chm::/step1.htm"}},
        {"  a \t b\nc  ", {"a", "b", "c"}},
        {"'two words' \"and three words\"", {"two words", "and three words"}},
        {"a'b'\"c\"d", {"abcd"}},
        {"'' \"\" x", {"", "", "x"}},
        {"'it''s' 'a \\ b' 'a \"q\" b'", {"its", "a \\ b", "a \"q\" b"}},
        {"\"\\$ \\` \\\" \\\\ \\a \\' \"", {"$ ` \" \\ \\a \\' "}},
        {"back\\ slash \\'q\\' \\\\", {"back slash", "'q'", "\\"}},
        {"one\\\ntwo \\\n three", {"onetwo", "three"}},
        {"\"x\\\ny\"", {"xy"}},
        {"$HOME ~ *.eml a;b a|b `id` $(id) >out",
         {"$HOME", "~", "*.eml", "a;b", "a|b", "`id`", "$(id)", ">out"}},
        {"caf\xE9 \x01\x7F", {"caf\xE9", "\x01\x7F"}},
    };
    for (const Case& c : cases) {
        const auto args = platform::SplitCommandLine(c.line);
        ASSERT_TRUE(args.has_value()) << "line: " << c.line;
        EXPECT_EQ(*args, c.expected) << "line: " << c.line;
    }
    for (const char* bad : {"'open", "a \"open", "\"a\\\"", "trailing\\", "'a' 'b"}) {
        EXPECT_FALSE(platform::SplitCommandLine(bad).has_value()) << "line: " << bad;
    }
}

struct LaunchCase {
    const char* name;
    std::string file;
    std::string parameters;
    bool inOtherFolder;  // pass another folder as the working directory
    std::string program;
    Args args;
};

TEST(ShellExecute, StartsTheRightProgramDetachedWithNothingInherited) {
    TempDir workDir, otherDir;
    CurrentDir cd(workDir.path());
    const std::string here = Canonical(workDir), other = Canonical(otherDir);
    FakePrograms fakes({"xdg-open", "hh.exe", "recorder"});
    // A descriptor that this program does not mark close-on-exec must still
    // not reach the launched one.
    const std::string marker = here + "/inherited-marker";
    const int leaked = open(marker.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(leaked, 0);
    // Whatever this program reads from, the launched one reads nothing.
    const int savedStdin = dup(STDIN_FILENO);
    ASSERT_GE(savedStdin, 0);
    ASSERT_EQ(dup2(leaked, STDIN_FILENO), STDIN_FILENO);

    const std::vector<LaunchCase> cases = {
        {"URL",
         "http://www.fenwold.example/",
         "",
         false,
         "xdg-open",
         {"http://www.fenwold.example/"}},
        {"URL with other scheme",
         "mailto-x+y.z://a b",
         "",
         false,
         "xdg-open",
         {"mailto-x+y.z://a b"}},
        {"document", "abuse000.eml", "", false, "xdg-open", {"abuse000.eml"}},
        {"document parameters unused", "abuse000.eml", "-x y", false, "xdg-open", {"abuse000.eml"}},
        {"document read as option", "-n.eml", "", false, "xdg-open", {"./-n.eml"}},
        {"path to a program is a document",
         fakes.folder() + "/recorder",
         "a",
         false,
         "xdg-open",
         {fakes.folder() + "/recorder"}},
        {"document in given folder", "abuse000.eml", "", true, "xdg-open", {"abuse000.eml"}},
        {"help viewer on PATH",
         "hh.exe",
         "Brindle.chm::/step1.htm",
         false,
         "hh.exe",
         {"Brindle.chm::/step1.htm"}},
        {"program with command line",
         "recorder",
         "one \"two words\" 'it''s' back\\ slash \"\" $HOME;x -",
         false,
         "recorder",
         {"one", "two words", "its", "back slash", "", "$HOME;x", "-"}},
        {"program without parameters", "recorder", "", false, "recorder", {}},
        {"program in given folder", "recorder", "x", true, "recorder", {"x"}},
    };
    for (const LaunchCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string directory = c.inOtherFolder ? other : "";
        ASSERT_TRUE(platform::ShellExecute("open", c.file, c.parameters, directory,
                                           platform::SW_SHOWNORMAL));
        EXPECT_TRUE(NoChildren());
        const std::optional<FakeLaunch> launch = fakes.WaitForLaunch();
        ASSERT_TRUE(launch.has_value());
        EXPECT_EQ(launch->program, c.program);
        EXPECT_EQ(launch->args, c.args);
        EXPECT_EQ(launch->directory, c.inOtherFolder ? other : here);
        // Detached: neither our child nor in our session, so it is never
        // waited for and lives on after this program.
        EXPECT_NE(launch->parent, getpid());
        EXPECT_NE(launch->session, getsid(0));
        EXPECT_EQ(launch->standardInput, "/dev/null");
        EXPECT_THAT(launch->openFiles, Not(::testing::Contains(HasSubstr("inherited-marker"))));
    }
    // An empty verb is the default verb, which is "open".
    ASSERT_TRUE(platform::ShellExecute("", "abuse000.eml", "", "", platform::SW_SHOWMAXIMIZED));
    const std::optional<FakeLaunch> launch = fakes.WaitForLaunch();
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->args, Args{"abuse000.eml"});

    dup2(savedStdin, STDIN_FILENO);
    close(savedStdin);
    close(leaked);
}

TEST(ShellExecute, WithoutHelpViewerOpensTheHelpFileItself) {
    TempDir workDir, otherDir;
    CurrentDir cd(workDir.path());
    const std::string here = Canonical(workDir), other = Canonical(otherDir);
    FakePrograms fakes({"xdg-open"});
    testsupport::WriteBytes("Brindle.chm", "help");
    testsupport::WriteBytes(other + "/Other.chm", "help");

    ASSERT_TRUE(platform::ShellExecute("open", "hh.exe", "Brindle.chm::/step1.htm", "",
                                       platform::SW_SHOWMAXIMIZED));
    std::optional<FakeLaunch> launch = fakes.WaitForLaunch();
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->program, "xdg-open");
    EXPECT_EQ(launch->args, Args{"Brindle.chm"});

    ASSERT_TRUE(platform::ShellExecute("open", "hh.exe", "\"Other.chm::/donationware.htm\"", other,
                                       platform::SW_SHOWMAXIMIZED));
    launch = fakes.WaitForLaunch();
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->args, Args{"Other.chm"});
    EXPECT_EQ(launch->directory, other);

    // A help file that is not there starts nothing.
    EXPECT_FALSE(platform::ShellExecute("open", "hh.exe", "Missing.chm::/step1.htm", "",
                                        platform::SW_SHOWMAXIMIZED));
    EXPECT_FALSE(platform::ShellExecute("open", "hh.exe", "Brindle.chm::/step1.htm", other,
                                        platform::SW_SHOWMAXIMIZED));
    EXPECT_FALSE(
        platform::ShellExecute("open", "hh.exe", "::/step1.htm", "", platform::SW_SHOWMAXIMIZED));
    EXPECT_FALSE(platform::ShellExecute("open", "hh.exe", "", "", platform::SW_SHOWMAXIMIZED));
}

TEST(ShellExecute, ReportsWhatItCouldNotStart) {
    TempDir workDir;
    CurrentDir cd(workDir.path());
    FakePrograms fakes({"recorder"});
    fakes.AddFile("not-a-program", "neither a script nor a binary\n", true);
    fakes.AddFile("not-executable", "#!/bin/sh\n", false);
    struct Case {
        const char* name;
        std::string operation;
        std::string file;
        std::string parameters;
        std::string directory;
    };
    const std::vector<Case> cases = {
        {"unknown verb", "print", "recorder", "", ""},
        {"no file", "open", "", "", ""},
        {"unterminated quote", "open", "recorder", "'a", ""},
        {"exec fails", "open", "not-a-program", "", ""},
        {"missing folder", "open", "recorder", "", workDir / "missing"},
        {"no xdg-open for a URL", "open", "http://www.fenwold.example/", "", ""},
        {"no xdg-open for a document", "open", "abuse000.eml", "", ""},
        // A file on PATH that may not be executed is a document too.
        {"no xdg-open for a plain file", "open", "not-executable", "", ""},
    };
    // Only the fakes are on PATH, so that no real xdg-open is found.
    const std::string path = std::getenv("PATH");
    setenv("PATH", fakes.folder().c_str(), 1);
    for (const Case& c : cases) {
        EXPECT_FALSE(platform::ShellExecute(c.operation, c.file, c.parameters, c.directory,
                                            platform::SW_SHOWNORMAL))
            << c.name;
        EXPECT_TRUE(NoChildren()) << c.name;
    }
    setenv("PATH", path.c_str(), 1);
}

}  // namespace
