#include "core/files/posix_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace pelorin::io {

int Open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

ssize_t Read(int fd, void* data, std::size_t size) {
    return ::read(fd, data, size);
}

ssize_t Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int Fsync(int fd) {
    return ::fsync(fd);
}

int Close(int fd) {
    return ::close(fd);
}

int Rename(const char* from, const char* to) {
    return std::rename(from, to);
}

int Unlink(const char* path) {
    return ::unlink(path);
}

int Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

}  // namespace pelorin::io
