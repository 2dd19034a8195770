// The system calls through which files are written and read. They live in a
// unit of their own so that a test can link its own definitions in their
// place and make any one of them fail.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace pelorin::io {

// Each returns what the system call returns and leaves errno as it sets it.
int Open(const char* path, int flags, mode_t mode);
ssize_t Read(int fd, void* data, std::size_t size);
ssize_t Write(int fd, const void* data, std::size_t size);
int Fsync(int fd);
int Close(int fd);
int Rename(const char* from, const char* to);
int Unlink(const char* path);
int Fchmod(int fd, mode_t mode);

}  // namespace pelorin::io
