#include "core/files/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "core/workspace/workspace.h"

namespace pelorin {

namespace {

// umask() can only be read by setting it, which would briefly change it for
// every other thread of the process; /proc reports it without touching it.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        throw Refusal("Must specify a file name.");
    // Replacing by rename would put a plain file in the place of a folder, a
    // device or a pipe; refuse those up front.
    struct stat existing {};
    if (::stat(path_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        Fail(S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    // A short name in the target's folder, so that the rename stays within
    // one file system and a target name of the longest length still works.
    const std::size_t slash = path_.find_last_of('/');
    temp_ = (slash == std::string::npos ? std::string() : path_.substr(0, slash + 1)) +
            ".pelorin-XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0)
        Fail(errno);
    // mkstemp creates the file for its owner only; give it what a new file
    // would get. Failing that is harmless, so it is not checked.
    (void)::fchmod(fd_, 0666 & ~CurrentUmask());
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void AtomicFile::Commit() {
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0)
        Fail(errno);
    if (::rename(temp_.c_str(), path_.c_str()) != 0)
        Fail(errno);
    committed_ = true;
}

void AtomicFile::Fail(int err) const {
    throw Refusal("Cannot write the file \"" + path_ + "\": " +
                  std::generic_category().message(err) + ". Choose another folder or file name.");
}

}  // namespace pelorin
