#include "support/run_binary.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/run.h"

extern char** environ;

std::string capturedOutput;

int captureOutput(const char* data, size_t length) {
    capturedOutput.append(data, length);
    return 0;
}

namespace {
RunResult runWithStdin(std::vector<std::string> argv, int stdinFd, const std::string& input,
                       const std::vector<std::string>& extraEnv) {
    if (argv.empty() || argv[0].empty()) argv.insert(argv.begin(), PACSIFT_BIN);
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    std::signal(SIGPIPE, SIG_IGN);

    pid_t pid = fork();
    if (pid == 0) {
        dup2(stdinFd >= 0 ? stdinFd : inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        for (const std::string& entry : extraEnv) putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (std::string& word : argv) args.push_back(word.data());
        args.push_back(nullptr);
        signal(SIGPIPE, SIG_DFL);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (stdinFd >= 0) {
        close(inPipe[1]);
        inPipe[1] = -1;
    }

    RunResult result;
    size_t written = 0;
    fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
    if (inPipe[1] >= 0) fcntl(inPipe[1], F_SETFL, O_NONBLOCK);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        if (outOpen) fds[n++] = {outPipe[0], POLLIN, 0};
        if (errOpen) fds[n++] = {errPipe[0], POLLIN, 0};
        if (inPipe[1] >= 0) fds[n++] = {inPipe[1], POLLOUT, 0};
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == inPipe[1]) {
                ssize_t put = write(inPipe[1], input.data() + written, input.size() - written);
                if (put > 0) written += static_cast<size_t>(put);
                if (put < 0 && errno != EAGAIN) written = input.size();
                if (written == input.size()) {
                    close(inPipe[1]);
                    inPipe[1] = -1;
                }
                continue;
            }
            char buffer[65536];
            ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            std::string& into = fds[i].fd == outPipe[0] ? result.out : result.err;
            if (got > 0) {
                into.append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EAGAIN) {
                (fds[i].fd == outPipe[0] ? outOpen : errOpen) = false;
            }
        }
    }
    if (inPipe[1] >= 0) close(inPipe[1]);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
}  // namespace

RunResult runCommand(std::vector<std::string> argv, const std::string& input,
                     const std::vector<std::string>& extraEnv) {
    return runWithStdin(std::move(argv), -1, input, extraEnv);
}

RunResult runPacsift(const std::vector<std::string>& args, const std::string& input,
                     const std::vector<std::string>& extraEnv) {
    std::vector<std::string> argv{PACSIFT_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, input, extraEnv);
}

RunResult runPacsiftOnFile(const std::vector<std::string>& args, const std::string& path,
                           const std::vector<std::string>& extraEnv) {
    std::vector<std::string> argv{PACSIFT_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return {"", "cannot open " + path, -1};
    RunResult result = runWithStdin(argv, fd, "", extraEnv);
    close(fd);
    return result;
}

std::string decodeInProcess(const std::vector<std::string>& args, const std::string& input, int* status) {
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    capturedOutput.clear();
    int result = runOnText(static_cast<int>(argv.size()), argv.data(), input.data(), input.size(), captureOutput);
    if (status != nullptr) *status = result;
    return capturedOutput;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put > 0)
            done += static_cast<size_t>(put);
        else if (put == 0 || errno != EINTR)
            return false;
    }
    return true;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string fixturePath(const std::string& name) { return std::string(PACSIFT_FIXTURES) + "/" + name; }

std::string sharedCapture(const std::string& relativePath) {
    return std::string(PACSIFT_SHARED_DIR) + "/captures/" + relativePath;
}

std::string benchCapture(int packets) {
    std::string path = std::string(PACSIFT_BINARY_DIR) + "/bench-" + std::to_string(packets) + ".pcap";
    struct stat info{};
    if (stat(path.c_str(), &info) == 0 && info.st_size > 0) return path;
    std::string maker = std::string(PACSIFT_SHARED_DIR) + "/bench/make-capture";
    if (access(maker.c_str(), R_OK) != 0) return "";
    // Tests running at once may make the same capture: each writes its own
    // partial file, and whichever renames first provides it.
    std::string partial = path + ".partial-" + std::to_string(getpid());
    RunResult made = runCommand({"python3", maker, partial, std::to_string(packets)}, "");
    if (made.status == 0 && std::rename(partial.c_str(), path.c_str()) == 0) return path;
    std::remove(partial.c_str());
    return stat(path.c_str(), &info) == 0 && info.st_size > 0 ? path : "";
}
