// scripts/demo, the README's first command, on a copy of the checkout: it
// builds the program alone (a test that does not compile is no obstacle),
// says what it is doing, and shows the compiler's error when the program
// does not compile.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/run_binary.h"
#include "support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

// A copy of the sources in a temporary folder, without build folders.
struct CheckoutCopy {
    TemporaryFolder folder{"pacsift-demo"};
    const fs::path& path = folder.path();
    CheckoutCopy() {
        if (path.empty()) return;
        const fs::path source = PACSIFT_SOURCE_DIR;
        for (const char* part : {"CMakeLists.txt", "LICENSE", "src", "scripts", "doc", "samples", "tests"})
            fs::copy(source / part, path / part, fs::copy_options::recursive);
    }
    void spoil(const std::string& file) const { std::ofstream(path / file, std::ios::app) << "\nnot C++ at all\n"; }
    RunResult demo() const { return runCommand({(path / "scripts/demo").string()}, ""); }
};

TEST(Demo, BuildsTheProgramAloneAndDecodesTheSample) {
    CheckoutCopy copy;
    ASSERT_FALSE(copy.path.empty());
    copy.spoil("tests/app/smoke_test.cpp");
    RunResult run = copy.demo();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("== building build/pacsift\n"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("DATA:\texample.com.\n"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(copy.path / "build/tests/pacsift_tests"));
}

TEST(Demo, ShowsTheCompilersError) {
    CheckoutCopy copy;
    ASSERT_FALSE(copy.path.empty());
    copy.spoil("src/common/options.cpp");
    RunResult run = copy.demo();
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("options.cpp"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("error"), std::string::npos) << run.err;
}

}  // namespace
