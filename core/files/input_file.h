// How every reader of outside files opens one.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

namespace pelorin {

// A file opened for reading. It is opened without waiting (a pipe put in the
// file's place cannot block the reader) and then examined through the open
// descriptor, so that what is checked is what is read: a folder, a device
// such as /dev/zero (which never ends) and a pipe are refused. Its stream
// reads through a buffer of its own whose read errors (a failing disk, a
// network file gone) arrive as Refusal with the system's reason, never as
// an abort. Refusals start with "Cannot read the <what> "<path>"".
class InputFile {
public:
    // Throws Refusal when the path cannot be opened or is not a regular file.
    InputFile(const std::string& path, const std::string& what);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The file's contents from its start; errors throw Refusal out of every
    // read (get, read, getline, sbumpc alike).
    std::istream& stream();
    // The open descriptor, for a reader that reads it another way.
    int descriptor() const { return fd_; }
    // Its size when it was opened, bytes.
    std::uint64_t size() const { return size_; }
    // "Cannot read the <what> "<path>": " for messages of the reader's own.
    const std::string& named() const { return named_; }

private:
    class Buffer;
    std::string named_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::istream> stream_;
};

}  // namespace pelorin
