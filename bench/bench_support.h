// What the benchmarks share: CPU clocks, minima, a scratch folder, and running
// a program as a child to read its CPU time and peak memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace pelorin::bench {

// CPU time of this process (user and system), seconds.
inline double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Wall time, seconds.
inline double Wall() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

inline double Min(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

// A fresh folder, removed with the object: in memory (tmpfs) when asked and
// there is one, so that a disk's writeback does not blur what is measured.
class Folder {
public:
    explicit Folder(bool in_memory) {
        namespace fs = std::filesystem;
        const fs::path base = in_memory && fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                                        : fs::temp_directory_path();
        std::string pattern = (base / "pelorin_bench.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::filesystem::path path;
};

struct ChildRun {
    int status = -1;
    double cpu = 0.0;   // user + system seconds
    long peak_kib = 0;  // largest resident set
};

// Runs argv[0] with its arguments, output discarded, and reports what it cost.
inline ChildRun RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.peak_kib = usage.ru_maxrss;
    return run;
}

}  // namespace pelorin::bench
