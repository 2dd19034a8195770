#include "core/files/input_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "core/refusal.h"

namespace pelorin {

void RequireRegularFile(const std::string& path, const std::string& what) {
    const std::string named = "Cannot read the " + what + " \"" + path + "\": ";
    if (path.empty())
        throw Refusal("Must specify a file name.");
    // stat, unlike open, never waits for a writer at the other end of a pipe.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw Refusal(named + std::generic_category().message(errno) + ".");
    if (S_ISDIR(st.st_mode))
        throw Refusal(named + "it is a folder. Choose a file.");
    if (!S_ISREG(st.st_mode))
        throw Refusal(named + "it is a device or a pipe, not a file. Choose a regular file.");
}

}  // namespace pelorin
