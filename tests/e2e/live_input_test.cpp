// Live use of the binary: input arriving through a named pipe that stays
// open. What has arrived must be on standard output while pacsift waits for
// more, both with -cooked text and with a savefile read by the tcpdump child.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/cooked_text.h"
#include "support/run_binary.h"

using namespace cooked;

namespace {

// pacsift started with a named pipe as its standard input, the test holding
// the writing end.
struct FifoRun {
    std::string directory;
    pid_t pid = -1;
    int toPacsift = -1;
    int fromPacsift = -1;
    std::string out;

    explicit FifoRun(const std::vector<std::string>& args) {
        char base[] = "/tmp/pacsift-fifo-XXXXXX";
        directory = mkdtemp(base);
        std::string fifo = directory + "/input";
        mkfifo(fifo.c_str(), 0600);
        int outPipe[2];
        if (pipe(outPipe) != 0) return;
        std::signal(SIGPIPE, SIG_IGN);
        pid = fork();
        if (pid == 0) {
            int input = open(fifo.c_str(), O_RDONLY);
            int quiet = open("/dev/null", O_WRONLY);
            dup2(input, 0);
            dup2(outPipe[1], 1);
            dup2(quiet, 2);
            close(outPipe[0]);
            std::vector<std::string> words{PACSIFT_BIN};
            words.insert(words.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& word : words) argv.push_back(word.data());
            argv.push_back(nullptr);
            signal(SIGPIPE, SIG_DFL);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(outPipe[1]);
        fromPacsift = outPipe[0];
        toPacsift = open(fifo.c_str(), O_WRONLY);
    }

    ~FifoRun() {
        if (toPacsift >= 0) close(toPacsift);
        if (fromPacsift >= 0) close(fromPacsift);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::string fifo = directory + "/input";
        unlink(fifo.c_str());
        rmdir(directory.c_str());
    }

    void send(const std::string& bytes) { ASSERT_TRUE(writeAll(toPacsift, bytes)); }

    // Reads the display until it holds `text`, for at most 20 seconds.
    bool waitFor(const std::string& text) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (out.find(text) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd ready{fromPacsift, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[65536];
            ssize_t got = read(fromPacsift, buffer, sizeof buffer);
            if (got <= 0) return false;
            out.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }

    // Closes the input, reads the rest of the display, returns the exit status.
    int finish() {
        close(toPacsift);
        toPacsift = -1;
        char buffer[65536];
        ssize_t got;
        while ((got = read(fromPacsift, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(got));
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
};

size_t countOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(LiveInput, CookedTextThroughANamedPipeIsShownAsItArrives) {
    FifoRun run(cookedArgs());
    run.send(kTcpInput + "12:00:01.000000 8:0:20:1:2:3 0:a0:c9:e:1f:2b 0800 60:\n");
    // Packet 2's data has not come yet: packet 1 is shown whole with its
    // closing newline, and packet 2 as far as its header line goes.
    const std::string shownWhileWaiting = kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" + kSeparator + "Packet 2\n" +
                                          "TIME:\t12:00:01.000000 (0.500000)\n" + kTcpLink;
    EXPECT_TRUE(run.waitFor(shownWhileWaiting)) << run.out;
    EXPECT_EQ(run.out, shownWhileWaiting);
    run.send(kTcpLine1 + kTcpLine2 + kTcpLine3);
    EXPECT_EQ(run.finish(), 0);
    EXPECT_EQ(run.out, shownWhileWaiting + kTcpIp + kTcpTcp + kTcpData + kSeparator);
}

TEST(LiveInput, ASavefileThroughANamedPipeIsShownAsTcpdumpPassesItOn) {
    // The sample capture's 11 packets, eight times over: 88 packets. tcpdump
    // writes its text into the pipe in blocks of 4 KiB (about 10 packets of
    // this capture), so all but the last few packets reach pacsift while the
    // named pipe is still open, and pacsift must show them then.
    std::string savefile = readFile(fixturePath("whois.pcap"));
    ASSERT_GT(savefile.size(), 24u);
    std::string packets = savefile.substr(24);
    FifoRun run(kNoNames);
    run.send(savefile.substr(0, 24));
    for (int copy = 0; copy < 8; ++copy) run.send(packets);
    EXPECT_TRUE(run.waitFor("Packet 70\n")) << countOf(run.out, "\nPacket ") << " packets shown";
    EXPECT_EQ(run.finish(), 0);
    EXPECT_EQ(countOf(run.out, "\nPacket "), 88u);
}
