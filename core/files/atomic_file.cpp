#include "core/files/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "core/files/posix_io.h"
#include "core/refusal.h"

namespace pelorin {

namespace {

// The temporaries of the writes under way, for the interrupt handler. A
// handler may only use what is safe in a signal, so the names live in fixed
// buffers, each claimed and published through one atomic state.
enum SlotState : int { kFree, kFilling, kPublished };
struct Temporary {
    std::atomic<int> state{kFree};
    char path[PATH_MAX] = {};
};
std::array<Temporary, 32>& Temporaries() {
    static std::array<Temporary, 32> slots;
    return slots;
}

int Register(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    auto& slots = Temporaries();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling))
            continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(kPublished, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;  // too many writes at once: this one is not removed on a signal
}

void Unregister(int slot) {
    if (slot >= 0)
        Temporaries()[static_cast<std::size_t>(slot)].state.store(kFree, std::memory_order_release);
}

extern "C" void OnInterrupt(int sig) {
    for (Temporary& t : Temporaries())
        if (t.state.load(std::memory_order_acquire) == kPublished)
            ::unlink(t.path);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// path with every symbolic link along the last component followed, as the
// shell's > does: the file it names is the one written.
std::string FollowLinks(std::string path, int& err) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
        if (n < 0) {
            err = errno;
            return path;
        }
        const std::string link(buffer, static_cast<std::size_t>(n));
        path = link[0] == '/' ? link : Folder(path) + "/" + link;
    }
    err = ELOOP;
    return path;
}

bool IsDevNull(const struct stat& st) {
    struct stat null {};
    return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && st.st_rdev == null.st_rdev;
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::sigaction(sig, &action, nullptr);
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        throw Refusal("Must specify a file name.");
    int err = 0;
    target_ = FollowLinks(path_, err);
    if (err != 0)
        Fail(err);

    // A new file gets what the umask leaves of 0666, as the kernel applies
    // it when the temporary is created; a replaced one keeps its own mode.
    mode_t keep = 0;
    bool replace = false;
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        if (IsDevNull(existing)) {
            discard_ = true;
            fd_ = io::Open("/dev/null", O_WRONLY | O_CLOEXEC, 0);
            if (fd_ < 0)
                Fail(errno);
            return;
        }
        // Replacing by rename would put a plain file in the place of a
        // folder, a device or a pipe.
        if (S_ISDIR(existing.st_mode))
            Refuse("it is a folder");
        if (!S_ISREG(existing.st_mode))
            Refuse("it is a device or a pipe, and outputs must be regular files");
        // Renaming over a file only needs the folder to be writable: refuse
        // what the user could not write in place, as cp and the shell do.
        if (::access(target_.c_str(), W_OK) != 0)
            Refuse("it is read-only");
        keep = existing.st_mode & 07777;
        replace = true;
    }

    // A short name of its own, so that a target name of the longest length
    // still works, in the target's folder, so that the rename stays within
    // one file system.
    std::random_device entropy;
    const std::string folder = Folder(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "/.pelorin-%08x", entropy());
        temp_ = folder + name;
        fd_ =
            io::Open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replace ? 0600 : 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        const int open_err = errno;
        temp_.clear();
        Fail(open_err);
    }
    slot_ = Register(temp_);
    if (replace && io::Fchmod(fd_, keep) != 0)
        Fail(errno);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0)
        io::Close(fd_);
    if (!committed_ && !temp_.empty())
        io::Unlink(temp_.c_str());
    Unregister(slot_);
}

void AtomicFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = io::Write(fd_, bytes, size);
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
    if (discard_) {
        const int rc = io::Close(fd_);
        fd_ = -1;
        if (rc != 0)
            Fail(errno);
        committed_ = true;
        return;
    }
    // The data reaches the disk before the name does: after a power loss the
    // name points at the old file or the complete new one, never at an empty
    // one.
    if (io::Fsync(fd_) != 0)
        Fail(errno);
    const int rc = io::Close(fd_);
    fd_ = -1;
    if (rc != 0)
        Fail(errno);
    if (io::Rename(temp_.c_str(), target_.c_str()) != 0)
        Fail(errno);
    committed_ = true;
    Unregister(slot_);
    slot_ = -1;
    // And the new name reaches it too.
    const int dir = io::Open(Folder(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir < 0)
        Fail(errno);
    const int rc_sync = io::Fsync(dir);
    const int sync_err = errno;
    ::close(dir);
    // Some file systems cannot sync a folder (EINVAL): nothing to do there.
    if (rc_sync != 0 && sync_err != EINVAL)
        Fail(sync_err);
}

void AtomicFile::Fail(int err) const {
    throw Refusal("Cannot write the file \"" + path_ + "\": " +
                  std::generic_category().message(err) + ". Choose another folder or file name.");
}

void AtomicFile::Refuse(const std::string& why) const {
    throw Refusal("Cannot write the file \"" + path_ + "\": " + why +
                  ". Choose another file name.");
}

}  // namespace pelorin
