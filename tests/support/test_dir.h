// A fresh folder for one test case, removed with it.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace pelorin::testing {

class TestDir {
public:
    explicit TestDir(const std::string& prefix = "pelorin-test.") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TestDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    operator const std::filesystem::path&() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    std::string string() const { return path_.string(); }

    // The names of what the folder holds, sorted: a finished or failed write
    // must leave nothing but its target.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A character device node here standing for the system's `like` (same
    // major and minor numbers), so that a test aims its writes at a node of
    // its own: a faulty writer that replaces it damages nothing but the
    // test's folder. Only root may make one; false elsewhere.
    bool MakeDeviceLike(const std::string& name, const char* like) const {
        struct stat st {};
        if (::stat(like, &st) != 0 || !S_ISCHR(st.st_mode))
            return false;
        return ::mknod((path_ / name).c_str(), S_IFCHR | 0666, st.st_rdev) == 0;
    }

private:
    std::filesystem::path path_;
};

// The whole content of a file, "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace pelorin::testing
