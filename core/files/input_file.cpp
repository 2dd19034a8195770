#include "core/files/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/files/posix_io.h"
#include "core/refusal.h"

namespace pelorin {

DescriptorBuffer::int_type DescriptorBuffer::underflow() {
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

DescriptorBuffer::pos_type DescriptorBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                                     std::ios_base::openmode) {
    // Where the reader stands: the descriptor's offset less what is buffered.
    const auto here = static_cast<off_type>(offset_) - (egptr() - gptr());
    if (dir == std::ios_base::cur && off == 0)
        return here;
    const off_type target =
        dir == std::ios_base::end
            ? ::lseek(fd_, off, SEEK_END)
            : ::lseek(fd_, dir == std::ios_base::cur ? here + off : off, SEEK_SET);
    if (target < 0)
        return pos_type(off_type(-1));
    offset_ = static_cast<std::uint64_t>(target);
    setg(block_.data(), block_.data(), block_.data());
    return target;
}

DescriptorBuffer::pos_type DescriptorBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

InputFile::InputFile(const std::string& path, const std::string& what)
    : named_("Cannot read the " + what + " \"" + path + "\": ") {
    if (path.empty())
        throw Refusal("Must specify a file name.");
    // What is plainly no file is refused before it is opened (opening a
    // device can do something of its own); what is opened is examined again,
    // as it may have been replaced meanwhile.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        Refuse(st.st_mode);
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never
    // come; a regular file reads the same either way.
    fd_ = io::Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
    if (fd_ < 0)
        throw Refusal(named_ + std::generic_category().message(errno) + ".");
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        io::Close(fd_);
        throw Refusal(named_ + std::generic_category().message(err) + ".");
    }
    if (!S_ISREG(st.st_mode)) {
        io::Close(fd_);
        Refuse(st.st_mode);
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    buffer_ = std::make_unique<DescriptorBuffer>(fd_, named_);
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

void InputFile::Refuse(unsigned mode) const {
    throw Refusal(named_ + (S_ISDIR(mode) ? "it is a folder. Choose a file."
                                          : "it is a device or a pipe, not a file. Choose a "
                                            "regular file."));
}

std::istream& InputFile::stream() {
    return *stream_;
}

}  // namespace pelorin
