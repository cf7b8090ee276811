// cmake --install into a fresh prefix: the program in bin/, the manual page
// in share/man/man1/, the completion and the sample capture beside them, and
// the installed program runs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/run_binary.h"

namespace {

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }
bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

TEST(Install, PutsEveryFileUnderThePrefixAndTheProgramRuns) {
    char base[] = "/tmp/pacsift-prefix-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const std::string prefix = base;
    RunResult install = runCommand({"cmake", "--install", PACSIFT_BINARY_DIR, "--prefix", prefix}, "");
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    const std::string program = prefix + "/bin/pacsift";
    const std::string page = prefix + "/share/man/man1/pacsift.1.gz";
    const std::string completion = prefix + "/share/bash-completion/completions/pacsift";
    const std::string sample = prefix + "/share/doc/pacsift/whois.pcap";
    EXPECT_TRUE(isExecutable(program));
    EXPECT_TRUE(exists(page));
    EXPECT_EQ(readFile(prefix + "/share/doc/pacsift/copyright"), readFile(std::string(PACSIFT_SOURCE_DIR) + "/doc/copyright"));
    EXPECT_EQ(readFile(completion), readFile(std::string(PACSIFT_SOURCE_DIR) + "/doc/bash-completion/pacsift"));
    EXPECT_EQ(readFile(sample), readFile(fixturePath("whois.pcap")));

    // The installed program: its help, and the installed sample decoded
    // through tcpdump as the built program decodes it.
    RunResult help = runCommand({program, "-h"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, runPacsift({"-h"}, "").out);
    // The package's version is the one the help text gives.
    EXPECT_NE(help.out.find(std::string("\nVersion ") + PACSIFT_VERSION + "\n"), std::string::npos) << PACSIFT_VERSION;
    RunResult installed = runCommand(words({"sh", "-c", "exec \"$0\" \"$@\" < " + sample, program}, kNoNames), "");
    RunResult built = runPacsiftOnFile(kNoNames, fixturePath("whois.pcap"));
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_NE(installed.out.find("Packet 11\n"), std::string::npos);
    EXPECT_EQ(installed.out, built.out);

    // man finds the installed page by the prefix's manual path and renders it.
    RunResult where = runCommand({"man", "-w", "pacsift"}, "", {"MANPATH=" + prefix + "/share/man"});
    EXPECT_EQ(where.out, page + "\n");
    RunResult shown = runCommand({"man", "--warnings=w", "-l", page}, "", {"MANWIDTH=80", "MANPAGER=cat", "PAGER=cat"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "");
    EXPECT_NE(shown.out.find("PACSIFT(1)"), std::string::npos);
    EXPECT_NE(shown.out.find(std::string("pacsift ") + PACSIFT_VERSION), std::string::npos) << "version in the footer";

    runCommand({"rm", "-rf", prefix}, "");
}
