// A file that appears complete or not at all: written under a temporary name
// in the same folder and renamed into place, so that an existing file of that
// name is never left half-written.
#pragma once

#include <cstddef>
#include <string>

namespace pelorin {

class AtomicFile {
public:
    // Refuses (Refusal naming the path and the reason) an empty path, a path
    // that names a folder, device or pipe, and a folder it cannot write in.
    explicit AtomicFile(std::string path);
    ~AtomicFile();  // removes the temporary unless Commit succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(const void* data, std::size_t size);
    // Closes the file and moves it into place; a symbolic link at the path is
    // replaced, not followed.
    void Commit();

private:
    [[noreturn]] void Fail(int err) const;

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace pelorin
