// How every reader of outside files opens one.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <utility>

namespace pelorin {

// Reads an open descriptor in blocks; a read that fails throws Refusal with
// `named` (say "Cannot read the recipe from standard input: ") and the
// system's reason. Seeks work where the descriptor can seek.
class DescriptorBuffer : public std::streambuf {
public:
    DescriptorBuffer(int fd, std::string named) : fd_(fd), named_(std::move(named)) {}

protected:
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
    int fd_;
    std::string named_;
    std::uint64_t offset_ = 0;  // of the end of what is buffered
    std::array<char, 1 << 16> block_{};
};

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
    // Refuses what is not a regular file, by its kind (st_mode).
    [[noreturn]] void Refuse(unsigned mode) const;

    std::string named_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::unique_ptr<DescriptorBuffer> buffer_;
    std::unique_ptr<std::istream> stream_;
};

}  // namespace pelorin
