// When the display is written out: at once when the next read of standard
// input would wait (a live capture, a pipe, a fifo), in blocks of nearly 64 KiB
// when the input is a file. Runs the decoder in this process with the real
// descriptor 0, so every write of the display is seen with its size.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/run.h"
#include "input/cooked_text.h"

using namespace cooked;

namespace {

std::mutex displayLock;
std::string display;
std::vector<size_t> writeSizes;

int recordWrite(const char* data, size_t length) {
    std::lock_guard<std::mutex> hold(displayLock);
    display.append(data, length);
    writeSizes.push_back(length);
    return 0;
}

std::string displaySoFar() {
    std::lock_guard<std::mutex> hold(displayLock);
    return display;
}

// Runs the decoder with `input` (a descriptor) as descriptor 0.
int decodeFromDescriptor(int input) {
    display.clear();
    writeSizes.clear();
    int savedStdin = dup(0);
    dup2(input, 0);
    close(input);
    std::vector<std::string> words = cookedArgs();
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    int status = runOnStandardInput(static_cast<int>(argv.size()), argv.data(), recordWrite);
    dup2(savedStdin, 0);
    close(savedStdin);
    return status;
}

const std::string kSecondHeaderLine = "12:00:01.000000 8:0:20:1:2:3 0:a0:c9:e:1f:2b 0800 60:\n";

}  // namespace

TEST(LiveOutput, APacketIsShownBeforeTheReaderWaitsForTheNext) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    // Packet 1 whole and the header line of packet 2: the display of packet 1
    // and the first lines of packet 2 must be out while its data is awaited.
    const std::string shownWhileWaiting = kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" + kSeparator + "Packet 2\n" +
                                          "TIME:\t12:00:01.000000 (0.500000)\n" + kTcpLink;
    bool shownInTime = false;
    std::thread writer([&] {
        writeAll(fds[1], kTcpInput + kSecondHeaderLine);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (displaySoFar() == shownWhileWaiting) {
                shownInTime = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        writeAll(fds[1], kTcpLine1 + kTcpLine2 + kTcpLine3);
        close(fds[1]);
    });
    int status = decodeFromDescriptor(fds[0]);
    writer.join();
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shownInTime) << "display while waiting:\n" << displaySoFar();
    EXPECT_EQ(display, shownWhileWaiting + kTcpIp + kTcpTcp + kTcpData + kSeparator);
}

TEST(LiveOutput, AFileIsWrittenIn64KiBBlocks) {
    char path[] = "/tmp/pacsift-live-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::string text;
    for (int i = 0; i < 600; ++i) text += kTcpInput;
    ASSERT_TRUE(writeAll(fd, text));
    close(fd);
    int input = open(path, O_RDONLY);
    unlink(path);
    ASSERT_GE(input, 0);

    EXPECT_EQ(decodeFromDescriptor(input), 0);
    ASSERT_GT(display.size(), 3u * 65536u);  // the test means nothing otherwise
    // A block is written when the next piece of text would not fit, so it
    // falls short of 64 KiB by less than one formatted line.
    for (size_t i = 0; i + 1 < writeSizes.size(); ++i) EXPECT_GT(writeSizes[i], 65536u - 300u) << "write " << i;
    EXPECT_LE(writeSizes.size(), display.size() / (65536 - 300) + 1);
    EXPECT_NE(display.find("Packet 600\n"), std::string::npos);
}
