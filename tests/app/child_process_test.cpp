// Starting a child and reading its text: pipes that a child does not keep,
// one message and status 1 when tcpdump cannot be run, and a read error of a
// child's text reported as an error rather than taken for its end.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/child_process.h"
#include "app/preprocessor.h"
#include "app/split_run.h"
#include "common/program_end.h"
#include "support/run_binary.h"
#include "support/temporary_folder.h"

namespace {

std::string readToEnd(int fd) {
    std::string text;
    char buffer[4096];
    while (size_t got = readChildOutput(fd, buffer, sizeof buffer)) text.append(buffer, got);
    return text;
}

// The descriptors a started program holds: only those it was given, never
// the ends of our pipes.
TEST(ChildProcess, ProgramHoldsOnlyItsOwnDescriptors) {
    int text[2], spare[2];
    makePipe(text);
    makePipe(spare);
    char* words[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>("ls /proc/$$/fd"),
                     nullptr};
    pid_t pid = startProgram(words, ChildDescriptors{-1, text[1], -1});
    close(text[1]);
    std::string listing = readToEnd(text[0]);
    EXPECT_FALSE(reapChild(pid, false));
    EXPECT_EQ(pid, 0);
    std::set<int> held;
    std::istringstream numbers(listing);
    for (int fd; numbers >> fd;) held.insert(fd);
    EXPECT_TRUE(held.count(0) && held.count(1) && held.count(2)) << listing;
    for (int ours : {text[0], text[1], spare[0], spare[1]}) EXPECT_FALSE(held.count(ours)) << ours << ": " << listing;
    close(text[0]);
    close(spare[0]);
    close(spare[1]);
}

// The program is found on PATH as execvp finds it: past folders that are
// missing, or hold a file of that name that may not be run.
TEST(ChildProcess, ProgramFoundOnPath) {
    TemporaryFolder folder("pacsift-path");
    ASSERT_FALSE(folder.path().empty());
    std::string first = (folder.path() / "first").string(), second = (folder.path() / "second").string();
    std::filesystem::create_directory(first);
    std::filesystem::create_directory(second);
    std::ofstream(first + "/prog") << "#!/bin/sh\necho first\n";   // not executable
    std::ofstream(second + "/prog") << "#!/bin/sh\necho second \"$@\"\n";
    chmod((second + "/prog").c_str(), 0755);
    const char* saved = std::getenv("PATH");
    std::string savedPath = saved != nullptr ? saved : "";
    struct Case {
        std::string path;
        const char* name;
        std::string out;
        int failed;
    };
    const Case cases[] = {
        {(folder.path() / "missing").string() + ":" + first + ":" + second, "prog", "second word\n", false},
        {first, "prog", "", true},
        {"/bin:/usr/bin", "prog", "", true},
        {"/nowhere", "/bin/echo", "word\n", false},   // a name with a slash is not looked up
    };
    for (const Case& c : cases) {
        setenv("PATH", c.path.c_str(), 1);
        int text[2], errors[2];
        makePipe(text);
        makePipe(errors);
        char* words[] = {const_cast<char*>(c.name), const_cast<char*>("word"), nullptr};
        pid_t pid = startProgram(words, ChildDescriptors{-1, text[1], errors[1]});
        close(text[1]);
        close(errors[1]);
        EXPECT_EQ(readToEnd(text[0]), c.out) << c.path;
        EXPECT_EQ(readToEnd(errors[0]), c.failed ? "***Error: execvp() failed\n" : "") << c.path;
        EXPECT_EQ(reapChild(pid, false), c.failed) << c.path;
        close(text[0]);
        close(errors[0]);
    }
    setenv("PATH", savedPath.c_str(), 1);
}

TEST(ChildProcess, StatusOfAFailedProgram) {
    struct Case {
        const char* command;
        bool failed;
    };
    for (const Case& c : {Case{"exit 0", false}, Case{"exit 3", true}, Case{"kill -9 $$", true}}) {
        char* words[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(c.command), nullptr};
        pid_t pid = startProgram(words, ChildDescriptors{});
        EXPECT_EQ(reapChild(pid, false), c.failed) << c.command;
    }
    pid_t none = 0;
    EXPECT_FALSE(reapChild(none, false));
}

// Runs `read` with standard error caught; returns what it said, and the
// status it ended with (-1 when it returned).
std::string caughtError(void (*read)(), int& status) {
    TemporaryFolder folder("pacsift-child");
    std::string path = (folder.path() / "stderr").string();
    std::fflush(stderr);
    int saved = dup(2);
    int caught = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(caught, 2);
    close(caught);
    status = -1;
    try {
        read();
    } catch (const ProgramEnd& end) {
        status = end.status;
    }
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    return readFile(path);
}

// A directory cannot be read: read(2) fails with EISDIR, as a pipe that
// failed would.
int directoryDescriptor() { return open("/", O_RDONLY | O_DIRECTORY); }

TEST(ChildProcess, ReadErrorIsAnErrorNotTheEnd) {
    struct Case {
        const char* name;
        void (*read)();
    };
    const Case cases[] = {
        {"a split run's child", [] {
             int fd = directoryDescriptor();
             char buffer[64];
             readChildOutput(fd, buffer, sizeof buffer);
             close(fd);
         }},
        {"the one child, on standard input", [] {
             int saved = dup(0);
             int fd = directoryDescriptor();
             dup2(fd, 0);
             close(fd);
             char buffer[64];
             try {
                 readPreprocessorOutput(buffer, sizeof buffer);
             } catch (...) {
                 dup2(saved, 0);
                 close(saved);
                 throw;
             }
             dup2(saved, 0);
             close(saved);
         }},
    };
    for (const Case& c : cases) {
        int status;
        std::string error = caughtError(c.read, status);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(error, "***Error: reading tcpdump's output: Is a directory\n") << c.name;
    }
}

TEST(ChildProcess, EndOfTextIsNoError) {
    int text[2];
    makePipe(text);
    ASSERT_TRUE(writeAll(text[1], "some text\n"));
    close(text[1]);
    EXPECT_EQ(readToEnd(text[0]), "some text\n");
    close(text[0]);
}

// tcpdump missing: one message, status 1, nothing on standard output, with
// one child and with several.
TEST(ChildProcess, MissingTcpdumpSaysSoOnce) {
    TemporaryFolder empty("pacsift-nopath");
    ASSERT_FALSE(empty.path().empty());
    std::string large = benchCapture(50000);
    if (large.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    std::string path = "PATH=" + empty.path().string();
    RunResult one = runPacsift(kNoNames, readFile(large), {path});
    RunResult split = runPacsiftOnFile(kNoNames, large, {path});
    for (const RunResult* run : {&one, &split}) {
        EXPECT_EQ(run->out, "");
        EXPECT_EQ(run->err, "***Error: execvp() failed\n");
        EXPECT_EQ(run->status, 1);
    }
}

}  // namespace
