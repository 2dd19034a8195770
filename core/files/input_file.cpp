#include "core/files/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <streambuf>
#include <system_error>

#include "core/files/posix_io.h"
#include "core/refusal.h"

namespace pelorin {

// Reads the descriptor in blocks; a failed read throws.
class InputFile::Buffer : public std::streambuf {
public:
    Buffer(int fd, const std::string& named) : fd_(fd), named_(named) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        ssize_t got = 0;
        do {
            got = io::Read(fd_, block_.data(), block_.size());
        } while (got < 0 && errno == EINTR);
        if (got < 0)
            throw Refusal(named_ + std::generic_category().message(errno) + ".");
        offset_ += static_cast<std::uint64_t>(got);
        setg(block_.data(), block_.data(), block_.data() + got);
        return got == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        // Where the reader stands: the file's offset less what is buffered.
        const auto here = static_cast<off_type>(offset_) - (egptr() - gptr());
        const off_type target = dir == std::ios_base::beg   ? off
                                : dir == std::ios_base::cur ? here + off
                                                            : -1;
        if (dir == std::ios_base::cur && off == 0)
            return here;
        if (target < 0 || ::lseek(fd_, target, SEEK_SET) < 0)
            return pos_type(off_type(-1));
        offset_ = static_cast<std::uint64_t>(target);
        setg(block_.data(), block_.data(), block_.data());
        return target;
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    int fd_;
    const std::string& named_;
    std::uint64_t offset_ = 0;  // of the end of what is buffered
    std::array<char, 1 << 16> block_{};
};

InputFile::InputFile(const std::string& path, const std::string& what)
    : named_("Cannot read the " + what + " \"" + path + "\": ") {
    if (path.empty())
        throw Refusal("Must specify a file name.");
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never
    // come; a regular file reads the same either way.
    fd_ = io::Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
    if (fd_ < 0)
        throw Refusal(named_ + std::generic_category().message(errno) + ".");
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        io::Close(fd_);
        throw Refusal(named_ + std::generic_category().message(err) + ".");
    }
    if (!S_ISREG(st.st_mode)) {
        io::Close(fd_);
        throw Refusal(named_ + (S_ISDIR(st.st_mode)
                                    ? "it is a folder. Choose a file."
                                    : "it is a device or a pipe, not a file. Choose a "
                                      "regular file."));
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    buffer_ = std::make_unique<Buffer>(fd_, named_);
    stream_ = std::make_unique<std::istream>(buffer_.get());
    // The buffer's Refusal passes through the stream's reads as it is.
    stream_->exceptions(std::ios::badbit);
}

InputFile::~InputFile() {
    stream_.reset();
    buffer_.reset();
    if (fd_ >= 0)
        io::Close(fd_);
}

std::istream& InputFile::stream() {
    return *stream_;
}

}  // namespace pelorin
