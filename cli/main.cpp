// pelorin-cli: runs a recipe of design steps without the graphical front end.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/files/atomic_file.h"

int main(int argc, char** argv) {
    pelorin::RemoveTemporariesOnInterrupt();
    int status = 2;
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        status = pelorin::cli::RunCli(args, std::cin, std::cout, std::cerr,
                                      ::isatty(STDERR_FILENO) != 0);
    } catch (const std::bad_alloc&) {
        std::fputs("pelorin-cli: not enough memory to go on; files already written are kept.\n",
                   stderr);
        return 2;
    }
    // What the steps printed must have arrived: a full disk or a closed
    // standard output is a failure, not a success.
    std::cout.flush();
    errno = 0;
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pelorin-cli: cannot write to standard output: %s\n",
                     errno != 0 ? std::strerror(errno) : "write error");
        return 2;
    }
    return status;
}
