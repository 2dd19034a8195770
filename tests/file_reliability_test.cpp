// What the program promises of every file it writes: complete or not at all,
// the old file kept when a write fails, durable once done, protected files
// not replaced, nothing left behind by an interrupt.
//
// This program links its own definitions of the system calls behind the
// writer (core/files/posix_io.h) in place of the library's, so that any one
// of them can be made to fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "core/files/atomic_file.h"
#include "core/files/posix_io.h"
#include "core/files/swf.h"
#include "core/synth/series.h"
#include "tests/support/test_dir.h"

namespace {

// The fault to inject: the call counted `fail_at` (from 1, over Open, Write,
// Fsync, Close and Rename together) fails with `err`. 0 injects nothing.
struct Faults {
    int fail_at = 0;
    int err = EIO;
    int calls = 0;
    bool Fail() {
        ++calls;
        if (fail_at != 0 && calls == fail_at) {
            errno = err;
            return true;
        }
        return false;
    }
};
Faults faults;

}  // namespace

namespace pelorin::io {

int Open(const char* path, int flags, mode_t mode) {
    return faults.Fail() ? -1 : ::open(path, flags, mode);
}
ssize_t Write(int fd, const void* data, std::size_t size) {
    return faults.Fail() ? -1 : ::write(fd, data, size);
}
int Fsync(int fd) {
    return faults.Fail() ? -1 : ::fsync(fd);
}
int Close(int fd) {
    // The descriptor goes whatever close reports, as on Linux.
    const bool fail = faults.Fail();
    const int rc = ::close(fd);
    return fail ? -1 : rc;
}
int Rename(const char* from, const char* to) {
    return faults.Fail() ? -1 : std::rename(from, to);
}
int Unlink(const char* path) {
    return ::unlink(path);
}
int Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

}  // namespace pelorin::io

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TestDir;

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class FileReliability : public ::testing::Test {
protected:
    void TearDown() override { faults = Faults{}; }
    // The calls a clean run of `work` makes.
    int CountCalls(const std::function<void()>& work) {
        faults = Faults{};
        work();
        const int calls = faults.calls;
        faults = Faults{};
        return calls;
    }
    TestDir dir;
};

// Every call of a store, made to fail in turn with a full disk and with an
// I/O error: the old file is intact, no temporary is left, the refusal names
// the file.
TEST_F(FileReliability, a_store_failing_at_any_call_keeps_the_old_file) {
    const fs::path path = dir / "band.swf";
    const std::vector<double> samples(300000, 0.25);  // several writes of the sample block
    const auto store = [&] { StoreSwift(path.string(), 300000, 1000.0, samples); };
    Write(path, "old");
    const int calls = CountCalls(store);
    ASSERT_GE(calls, 7);  // open, writes, fsync, close, rename, open and fsync the folder
    const std::string stored = ReadFile(path);
    for (int err : {ENOSPC, EIO}) {
        for (int n = 1; n <= calls; ++n) {
            SCOPED_TRACE(::testing::Message() << "call " << n << " fails with " << err);
            Write(path, "old");
            faults = Faults{n, err};
            try {
                store();
                ADD_FAILURE() << "no refusal";
            } catch (const Refusal& r) {
                EXPECT_NE(std::string(r.what()).find("\"" + path.string() + "\""),
                          std::string::npos)
                    << r.what();
                EXPECT_NE(std::string(r.what()).find(std::strerror(err)), std::string::npos)
                    << r.what();
            }
            faults = Faults{};
            // Only the folder's flush comes after the rename: the new file is
            // then in place, complete, and the refusal says it may not last.
            const bool after_rename = n >= calls - 1;
            EXPECT_EQ(ReadFile(path), after_rename ? stored : "old");
            EXPECT_EQ(dir.Names(), std::vector<std::string>{"band.swf"});
        }
    }
}

// The same for a series run from a recipe: the run fails with status 2 and a
// message naming the member, the members before it are written, the one that
// failed keeps its old content, and nothing is left behind.
TEST_F(FileReliability, a_series_failing_at_any_call_stops_with_status_2) {
    const std::string recipe =
        "reset layout=ni samples=256 bandwidth=100\n"
        "swim law=1 nodes=1 last=3 base=0 peak=1 from=10 to=40 file=\"" +
        (dir / "s.swf").string() + "\"\n";
    const auto run = [&](std::string& err) {
        std::istringstream in(recipe);
        std::ostringstream out, errors;
        const int status = cli::RunCli({"-"}, in, out, errors, false);
        err = errors.str();
        return status;
    };
    std::string err;
    const int calls = CountCalls([&] { ASSERT_EQ(run(err), 0) << err; });
    const std::string member2 = ReadFile(dir / "s_0002.swf");
    for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(::testing::Message() << "call " << n);
        for (const auto& name : dir.Names())
            fs::remove(dir / name);
        Write(dir / "s_0002.swf", "old");
        faults = Faults{n, ENOSPC};
        const int status = run(err);
        faults = Faults{};
        EXPECT_EQ(status, 2);
        EXPECT_NE(err.find(":2: swim: 1 file of the series could not be written"),
                  std::string::npos)
            << err;
        for (const auto& name : dir.Names())
            EXPECT_EQ(name.rfind(".pelorin", 0), std::string::npos) << name;
        const std::string second = ReadFile(dir / "s_0002.swf");
        EXPECT_TRUE(second == "old" || second == member2);
    }
}

// Runs f in a child process as the user nobody when this process is root
// (root may write anything, so a protected file needs an ordinary user), else
// in a child as it is. Returns f's exit status.
int AsOrdinaryUser(const std::function<int()>& f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(90);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(FileReliability, protected_files_are_not_replaced_and_modes_are_kept) {
    fs::permissions(dir, fs::perms::all);  // the other user works in it too
    const std::vector<double> one = {0.5};
    const int status = AsOrdinaryUser([&] {
        const fs::path ro = dir / "ro.swf";
        Write(ro, "keep");
        fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        try {
            StoreSwift(ro.string(), 1, 1.0, one);
            return 1;
        } catch (const Refusal& r) {
            if (std::string(r.what()).find("read-only") == std::string::npos ||
                std::string(r.what()).find(ro.string()) == std::string::npos)
                return 2;
        }
        if (ReadFile(ro) != "keep")
            return 3;
        // A private file stays private.
        const fs::path secret = dir / "secret.swf";
        Write(secret, "old");
        fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
        StoreSwift(secret.string(), 1, 1.0, one);
        if (fs::status(secret).permissions() != (fs::perms::owner_read | fs::perms::owner_write))
            return 4;
        // A series with a read-only member says so and stops there.
        std::vector<double> profile(8, 0.0), last;
        const fs::path member = dir / "run_0002.swf";
        Write(member, "keep");
        fs::permissions(member, fs::perms::owner_read);
        const SeriesReport report = RunSeries(
            {profile, 100.0, {}, &last}, SplitSeriesPath((dir / "run.swf").string()), 1, 3,
            [](std::span<double> p, std::uint64_t) { p[2] = 1.0; }, false);
        if (report.written != 1 || report.failed_count != 1 || ReadFile(member) != "keep")
            return 5;
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(FileReliability, a_link_is_written_through_and_stays_a_link) {
    fs::create_directory(dir / "real");
    Write(dir / "real" / "target.swf", "old");
    fs::create_symlink("real/target.swf", dir / "link.swf");
    StoreSwift((dir / "link.swf").string(), 1, 1.0, std::vector<double>{0.5});
    EXPECT_TRUE(fs::is_symlink(dir / "link.swf"));
    EXPECT_EQ(ReadFile(dir / "real" / "target.swf"), SwfHeader(1, 1.0) + "\xff\x0b");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.swf", "real"}));
}

// SIGINT and SIGTERM during a write: the temporary goes, the signal still
// ends the process as it would have.
TEST_F(FileReliability, an_interrupted_write_leaves_no_temporary) {
    for (int sig : {SIGINT, SIGTERM}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            RemoveTemporariesOnInterrupt();
            AtomicFile file((dir / "big.swf").string());
            file.Write("partial", 7);
            std::raise(sig);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_TRUE(dir.Names().empty()) << dir.Names().front();
    }
}

}  // namespace
}  // namespace pelorin
