#include "app/split_children.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include "app/child_process.h"

namespace {
constexpr uint64_t kLargestSend = uint64_t{1} << 30;

// In the feeder: only async-signal-safe calls.
bool writeAllTo(int fd, const unsigned char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

struct FeederWork {
    const SplitChild* child;
    const unsigned char* prefix;
    size_t prefixLength;
};

// The feeder: writes the prefix and the part's bytes into tcpdump's standard
// input (its own standard output), reading with offsets of its own so that
// the file offset of standard input never moves. tcpdump gone (a bad
// filter): it ends quietly, by SIGPIPE.
[[noreturn]] void feed(const void* context) {
    const FeederWork& work = *static_cast<const FeederWork*>(context);
    // Only the savefile and the pipe into tcpdump stay open: a feeder that
    // held the read end of its own pipe would never see its reader go.
    close_range(3, ~0U, 0);
    if (!writeAllTo(1, work.prefix, work.prefixLength)) _exit(0);
    const SplitChild& child = *work.child;
    off_t offset = static_cast<off_t>(child.begin);
    for (;;) {
        uint64_t left = child.last ? kLargestSend : child.end - static_cast<uint64_t>(offset);
        if (left == 0) break;
        ssize_t sent = sendfile(1, 0, &offset, left < kLargestSend ? left : kLargestSend);
        if (sent > 0) continue;
        if (sent == 0) break;
        if (errno == EINTR) continue;
        if (errno != EINVAL && errno != ENOSYS) break;
        // A file that cannot be sent: copy it.
        unsigned char block[1 << 16];
        ssize_t got = pread(0, block, left < sizeof block ? left : sizeof block, offset);
        if (got <= 0 || !writeAllTo(1, block, static_cast<size_t>(got))) break;
        offset += got;
    }
    _exit(0);
}
}  // namespace

void startSplitChild(SplitChild& child, const TcpdumpArguments& arguments, const unsigned char* prefix,
                     size_t prefixLength) {
    int input[2], text[2], messages[2];
    makePipe(input);
    makePipe(text);
    makePipe(messages);
    FeederWork work{&child, prefix, prefixLength};
    child.feeder = startChild(ChildDescriptors{-1, input[1], -1}, feed, &work);
    child.tcpdump = startProgram(arguments.words, ChildDescriptors{input[0], text[1], messages[1]});
    close(input[0]);
    close(input[1]);
    close(text[1]);
    close(messages[1]);
    child.text = text[0];
    child.roomyPipe = fcntl(text[0], F_SETPIPE_SZ, kRoomyPipe) >= kRoomyPipe;
    child.messages = messages[0];
}

bool endSplitChild(SplitChild& child) {
    bool failed = reapChild(child.tcpdump, false);
    reapChild(child.feeder, true);
    return failed;
}

void stopSplitChild(SplitChild& child) {
    reapChild(child.tcpdump, true);
    reapChild(child.feeder, true);
    if (child.text >= 0) close(child.text);
    if (child.messages >= 0) close(child.messages);
    child.text = child.messages = -1;
}
