// A file that appears complete or not at all: written under a temporary name
// in the target's folder, flushed to the disk and renamed into place, so that
// an existing file of that name is never left half-written and the new one
// survives a power loss once Commit has returned.
#pragma once

#include <cstddef>
#include <string>

namespace pelorin {

class AtomicFile {
public:
    // Refuses (Refusal naming the path and the reason) an empty path, a path
    // that names a folder, a device other than /dev/null, or a pipe, an
    // existing file the user may not write, and a folder it cannot write in.
    // A symbolic link is followed: the file it points to is replaced and the
    // link stays. An existing file keeps its permissions; a new one gets
    // what the umask allows. /dev/null takes the bytes and keeps nothing.
    explicit AtomicFile(std::string path);
    ~AtomicFile();  // removes the temporary unless Commit succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(const void* data, std::size_t size);
    // Flushes the file, moves it into place and flushes the folder.
    void Commit();

private:
    [[noreturn]] void Fail(int err) const;
    [[noreturn]] void Refuse(const std::string& why) const;

    std::string path_;    // as given, for messages
    std::string target_;  // the file that is replaced: path_ with links followed
    std::string temp_;
    int fd_ = -1;
    int slot_ = -1;  // where temp_ is registered for removal on an interrupt
    bool discard_ = false;
    bool committed_ = false;
};

// Removes every temporary file of an unfinished write when the process gets
// SIGINT, SIGTERM, SIGHUP (its terminal closed) or SIGQUIT, then lets the
// signal take its usual course. The programs install it at start-up. Nothing
// can clean up after SIGKILL: its temporary, a hidden ".pelorin-" file
// beside the target, stays; the target itself is always whole.
void RemoveTemporariesOnInterrupt();

}  // namespace pelorin
