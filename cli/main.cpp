// pelorin-cli: runs a recipe of design steps without the graphical front end.
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/files/atomic_file.h"
#include "core/files/input_file.h"

namespace {

// Standard output written straight to its descriptor, keeping the reason of
// the first write that failed (a full disk, a closed pipe) for the message.
class StandardOutput : public std::streambuf {
public:
    StandardOutput() { setp(block_.data(), block_.data() + block_.size()); }
    // The system's error of the first failed write; 0 when none failed.
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (Drain() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain(); }

private:
    int Drain() {
        const char* from = pbase();
        while (from < pptr() && error_ == 0) {
            const ssize_t n = ::write(STDOUT_FILENO, from, static_cast<std::size_t>(pptr() - from));
            if (n > 0)
                from += n;
            else if (n < 0 && errno != EINTR)
                error_ = errno;
        }
        setp(block_.data(), block_.data() + block_.size());
        return error_ == 0 ? 0 : -1;
    }
    std::array<char, 1 << 16> block_{};
    int error_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    pelorin::RemoveTemporariesOnInterrupt();
    StandardOutput standard_output;
    std::ostream out(&standard_output);
    // A recipe on standard input whose read fails is refused, not taken as
    // ended there.
    pelorin::DescriptorBuffer standard_input(STDIN_FILENO,
                                             "Cannot read the recipe from standard input: ");
    std::istream in(&standard_input);
    in.exceptions(std::ios::badbit);
    int status = 2;
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        status = pelorin::cli::RunCli(args, in, out, std::cerr, ::isatty(STDERR_FILENO) != 0);
    } catch (const std::bad_alloc&) {
        std::fputs("pelorin-cli: not enough memory to go on; files already written are kept.\n",
                   stderr);
        return 2;
    }
    // What the steps printed must have arrived: a full disk or a closed
    // standard output is a failure, not a success.
    out.flush();
    if (!out || standard_output.error() != 0) {
        std::fprintf(stderr, "pelorin-cli: cannot write to standard output: %s\n",
                     std::strerror(standard_output.error() != 0 ? standard_output.error() : EIO));
        return 2;
    }
    return status;
}
