#include "app/progress.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "common/packet_state.h"

namespace {
constexpr double kFirstDraw = 0.5;      // seconds after the start
constexpr double kRedrawEvery = 0.25;

bool running = false;
uint64_t savefileBytes = 0;
double startTime = 0;
double nextDraw = 0;
int drawnLength = 0;   // characters of the line on the screen now
bool held = false;

double now() {
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

void writeError(const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = write(2, text, length);
        if (written <= 0) return;   // a progress line is not worth an error
        text += written;
        length -= static_cast<size_t>(written);
    }
}
}  // namespace

bool progressWanted() {
    struct stat input, output;
    if (!isatty(2) || fstat(0, &input) != 0 || !S_ISREG(input.st_mode) || fstat(1, &output) != 0) return false;
    bool device = S_ISCHR(output.st_mode) || S_ISBLK(output.st_mode);
    return S_ISREG(output.st_mode) || (device && !isatty(1));
}

void startProgress(uint64_t total) {
    running = true;
    savefileBytes = total;
    startTime = now();
    nextDraw = startTime + kFirstDraw;
}

void showProgress(uint64_t done) {
    if (!running || held) return;
    double time = now();
    if (time < nextDraw) return;
    nextDraw = time + kRedrawEvery;
    if (done > savefileBytes) done = savefileBytes;
    double elapsed = time - startTime;
    double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0;
    int percent = savefileBytes > 0 ? static_cast<int>(100 * done / savefileBytes) : 100;
    char left[32] = "--:--";
    if (rate > 0) {
        long seconds = static_cast<long>(static_cast<double>(savefileBytes - done) / rate + 0.5);
        std::snprintf(left, sizeof left, "%ld:%02ld", seconds / 60, seconds % 60);
    }
    char line[160];
    int length = std::snprintf(line, sizeof line, "\rpacsift: %d%% of the savefile, %d packets, %.1f MB/s, %s left",
                               percent, state.pktCount, rate / 1e6, left);
    if (length < 0) return;
    if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
    int visible = length - 1;   // without the carriage return
    // Blanks over what is left of a longer line drawn before.
    while (visible < drawnLength && length < static_cast<int>(sizeof line) - 1) {
        line[length++] = ' ';
        ++visible;
    }
    writeError(line, static_cast<size_t>(length));
    drawnLength = visible;
}

void eraseProgress() {
    if (drawnLength > 0) {
        char line[162];
        int length = 0;
        line[length++] = '\r';
        for (int i = 0; i < drawnLength && length < 161; ++i) line[length++] = ' ';
        line[length++] = '\r';
        writeError(line, static_cast<size_t>(length));
        drawnLength = 0;
        nextDraw = 0;   // drawn again at the next call
    }
}

void holdProgress(bool hold) { held = hold; }
