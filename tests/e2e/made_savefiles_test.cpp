// The savefiles that tests/fixtures/make-pcaps writes (ICMP errors, IP in IP,
// RARP, ARP with fill bytes). Their displays in the terse, verbose and
// one-line forms are rows of the golden table (tests/golden/TESTLIST).

#include <gtest/gtest.h>

#include "support/run_binary.h"

namespace {

// The committed savefiles are what the script writes.
TEST(MadeSavefiles, MatchTheScript) {
    RunResult run = runCommand({"python3", std::string(PACSIFT_FIXTURES) + "/make-pcaps", "--check"}, "");
    if (run.status == 127) GTEST_SKIP() << "no python3";
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

}  // namespace
