// Under a memory limit the program refuses with its "not enough memory"
// message and status 2; it never aborts. The limit (ulimit -v) cannot apply
// to a program built with AddressSanitizer, which reserves terabytes of
// address space, so this test runs a plain build of pelorin-cli.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_dir.h"

namespace {

using pelorin::testing::ReadFile;
using pelorin::testing::TestDir;

struct Outcome {
    int status;  // the exit status, or 128 + the signal that ended it
    std::string err;
};

// command runs in /bin/sh under a limit of kilobytes of address space.
Outcome Limited(const std::string& command, long kilobytes, const TestDir& dir) {
    const std::string err = (dir / "err.txt").string();
    const std::string out = (dir / "out.txt").string();
    const std::string line = "(ulimit -v " + std::to_string(kilobytes) + "; " + command + ") >'" +
                             out + "' 2>'" + err + "'";
    const int raw = std::system(line.c_str());
    int status = -1;
    if (WIFEXITED(raw))
        status = WEXITSTATUS(raw);
    return {status, ReadFile(err)};
}

const std::string kCli = std::string("'") + PELORIN_PLAIN_CLI + "'";

// A synthesis of 2^20 samples needs about 50 MB: from far too little to
// enough, every limit ends in a result or the refusal. The steps are finer
// than the window of a few MB in which an allocation failing inside the
// transform library's planning once aborted the program.
TEST(MemoryLimit, SynthesisNeverAborts) {
    TestDir dir;
    const std::string recipe = kCli +
                               " -e 'reset layout=ni samples=1048576 bandwidth=1000'"
                               " -e 'notch from=100 to=300 level=1' -e swift"
                               " -e 'store file=" +
                               (dir / "w.swf").string() + "'";
    int refused = 0, done = 0;
    for (long kb = 20000; kb <= 80000; kb += 1000) {
        SCOPED_TRACE(kb);
        const Outcome r = Limited(recipe, kb, dir);
        if (r.status == 0) {
            ++done;
            continue;
        }
        ASSERT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("not enough memory"), std::string::npos) << r.err;
        ++refused;
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(done, 0);
}

// A recipe is read line by line: a device is refused, and a 400 MB recipe of
// comments runs in 200 MB.
TEST(MemoryLimit, RecipesAreReadLineByLine) {
    TestDir dir;
    const Outcome zero = Limited(kCli + " /dev/zero", 200000, dir);
    EXPECT_EQ(zero.status, 2);
    EXPECT_NE(zero.err.find("it is a device or a pipe"), std::string::npos) << zero.err;
    const Outcome stdin_zero = Limited(kCli + " - </dev/zero", 200000, dir);
    EXPECT_EQ(stdin_zero.status, 2) << stdin_zero.err;
    const Outcome comments =
        Limited("yes '# a recipe of nothing but comments' | head -c 400000000 | " + kCli + " -",
                200000, dir);
    EXPECT_EQ(comments.status, 0) << comments.err;
}

}  // namespace
