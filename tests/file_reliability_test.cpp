// What the program promises of every file it writes: complete or not at all,
// the old file kept when a write fails, durable once done, protected files
// not replaced, nothing left behind by an interrupt.
//
// This program links its own definitions of the system calls behind the
// writer (core/files/posix_io.h) in place of the library's, so that any one
// of them can be made to fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/edit/freqlist.h"
#include "core/files/atomic_file.h"
#include "core/files/datfile.h"
#include "core/files/posix_io.h"
#include "core/files/swf.h"
#include "core/synth/series.h"
#include "tests/support/test_dir.h"

namespace {

// The fault to inject: the call counted `fail_at` (from 1, over Open, Write,
// Fsync, Close and Rename together) fails with `err`. 0 injects nothing.
// Reads are counted apart: read `read_fails_at` fails with EIO. Before each
// open, `before_open` may change what the path names.
struct Faults {
    int fail_at = 0;
    int err = EIO;
    int calls = 0;
    int read_fails_at = 0;
    int reads = 0;
    std::function<void(const char*)> before_open;
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
    if (faults.before_open)
        faults.before_open(path);
    return faults.Fail() ? -1 : ::open(path, flags, mode);
}
ssize_t Read(int fd, void* data, std::size_t size) {
    if (++faults.reads == faults.read_fails_at) {
        errno = EIO;
        return -1;
    }
    return ::read(fd, data, size);
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
            faults = Faults{};
            faults.fail_at = n;
            faults.err = err;
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
        faults = Faults{};
        faults.fail_at = n;
        faults.err = ENOSPC;
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

// SIGINT, SIGTERM, SIGHUP and SIGQUIT during a write: the temporary goes,
// the signal still ends the process as it would have.
TEST_F(FileReliability, an_interrupted_write_leaves_no_temporary) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const rlimit no_core{0, 0};  // SIGQUIT would leave a core file
            ::setrlimit(RLIMIT_CORE, &no_core);
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

// Every reader of outside files, given a file it would accept.
struct Reader {
    const char* name;
    std::string bytes;
    std::function<void(const std::string&)> read;
};

std::vector<Reader> Readers() {
    std::string swf = SwfHeader(100000, 1000.0);  // 200 kB: several reads
    for (int i = 0; i < 100000; ++i)
        swf += std::string("\x00\x08", 2);
    std::string dat = "Data Points: 40000\nBandwidth: 300000\nData:\n";
    for (int i = 0; i < 40000; ++i)
        dat += std::string("\x00\x00\x80\x3f", 4);  // 1.0f
    std::string recipe;
    for (int i = 0; i < 4000; ++i)
        recipe += "# a comment line to make the recipe longer than one read\n";
    recipe += "reset layout=ni samples=1024 bandwidth=1000\n";
    std::string peaks = "There were 9000 peaks\nh2\nh3\nh4\nh5\nh6\n";
    for (int i = 0; i < 9000; ++i)
        peaks += "1.0 2.0 3 " + std::to_string(1000 + i) + "\n";
    return {
        {"waveform", swf, [](const std::string& p) { ReadSwfFile(p); }},
        {"data file", dat, [](const std::string& p) { ReadDatFile(p, 0); }},
        {"peak list", peaks, [](const std::string& p) { ReadPeakList(p); }},
        {"recipe", recipe,
         [](const std::string& p) {
             std::istringstream in;
             std::ostringstream out, err;
             const int status = cli::RunCli({p}, in, out, err, false);
             if (status == 2)
                 throw Refusal(err.str());
             if (status != 0)
                 throw std::runtime_error("status " + std::to_string(status) + ": " + err.str());
         }},
    };
}

// A read that fails, at the first read or midway: a refusal with the
// system's reason and the path, never an abort or a half-read result.
TEST_F(FileReliability, a_read_error_is_a_refusal_naming_the_file) {
    for (const Reader& r : Readers()) {
        const fs::path path = dir / "input";
        Write(path, r.bytes);
        faults = Faults{};
        r.read(path.string());
        const int reads = faults.reads;
        ASSERT_GE(reads, 3) << r.name;  // the file takes several reads
        for (int at : {1, reads / 2}) {
            SCOPED_TRACE(::testing::Message() << r.name << ", read " << at << " fails");
            faults = Faults{};
            faults.read_fails_at = at;
            try {
                r.read(path.string());
                ADD_FAILURE() << "no refusal";
            } catch (const Refusal& e) {
                const std::string what = e.what();
                EXPECT_NE(what.find("Cannot read the " + std::string(r.name) + " \"" +
                                    path.string() + "\": " + std::strerror(EIO)),
                          std::string::npos)
                    << what;
            }
        }
    }
}

// A pipe put in the file's place between the reader's choice and its open:
// the reader neither waits for a writer nor reads it, but refuses at once.
// The reader runs in a child so that a wait would show as a timeout here.
TEST_F(FileReliability, a_pipe_swapped_in_before_the_open_is_refused_at_once) {
    for (const Reader& r : Readers()) {
        SCOPED_TRACE(r.name);
        const fs::path path = dir / "input";
        Write(path, r.bytes);
        const pid_t pid = ::fork();
        if (pid == 0) {
            faults = Faults{};
            faults.before_open = [&path](const char* opened) {
                if (path == opened) {
                    ::unlink(opened);
                    ::mkfifo(opened, 0600);
                }
            };
            try {
                r.read(path.string());
            } catch (const Refusal& e) {
                const bool said =
                    std::string(e.what()).find("a device or a pipe") != std::string::npos;
                ::_exit(said ? 0 : 3);
            }
            ::_exit(4);
        }
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {  // 5 s
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
            if (!ended)
                ::usleep(10000);
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ended) << "the reader waited on the pipe";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        fs::remove(path);
    }
}

}  // namespace
}  // namespace pelorin
