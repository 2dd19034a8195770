#include "files/swf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/workspace.h"

namespace pelorin {

namespace {

// Samples converted per write: the codes stay in cache between conversion and
// write, and a long waveform needs no second copy of itself in memory.
constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

Refusal CannotWrite(const std::string& path, int err) {
    return Refusal("Error", "Cannot write the file \"" + path +
                                "\": " + std::generic_category().message(err) +
                                ". Choose another folder or file name.");
}

// umask() can only be read by setting it, which would briefly change it for
// every other thread of the process; /proc reports it without touching it.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The temporary file the waveform is written to: closed and removed unless it
// was renamed into place.
class TempFile {
public:
    explicit TempFile(std::string name) : name_(std::move(name)) { fd_ = ::mkstemp(name_.data()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_ && fd_ != kNotCreated)
            ::unlink(name_.c_str());
    }

    bool created() const noexcept { return fd_ >= 0; }
    int fd() const noexcept { return fd_; }
    const std::string& name() const noexcept { return name_; }

    // Closes the descriptor; returns 0 or the error number.
    int Close() noexcept {
        const int rc = ::close(fd_);
        fd_ = kClosed;
        return rc == 0 ? 0 : errno;
    }
    void Keep() noexcept { kept_ = true; }

private:
    static constexpr int kNotCreated = -1;
    static constexpr int kClosed = -2;
    std::string name_;
    int fd_ = kNotCreated;
    bool kept_ = false;
};

// Returns 0 or the error number.
int WriteAll(int fd, const void* buffer, std::size_t size) {
    const auto* data = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// Two bytes per sample, low byte first whatever the byte order of this
// machine. Codes are stored as 16-bit words, which lets the loop vectorise
// (packing bytes one by one does not); on a big-endian machine they are
// swapped first.
void EncodeSamples(const double* __restrict samples, std::size_t n,
                   std::uint16_t* __restrict out) {
    for (std::size_t i = 0; i < n; ++i) {
        std::uint16_t code = SampleCode(samples[i]);
        if constexpr (std::endian::native == std::endian::big)
            code = static_cast<std::uint16_t>(code << 8 | code >> 8);
        out[i] = code;
    }
}

}  // namespace

std::string SwfHeader(int datapts, double bandwidth) {
    // to_chars instead of "%f": printf follows the process locale (a GUI sets it
    // from the environment) and would write "1000000,000000" in many of them.
    // Fixed notation with six decimals renders exactly as "%f" in the C locale;
    // the largest double needs 309 digits before the point.
    char hz[330];
    const auto end =
        std::to_chars(hz, hz + sizeof hz, bandwidth * 1000.0, std::chars_format::fixed, 6).ptr;
    std::string header = "TAVIK SWIFT File\n\nData Points:";
    header += std::to_string(datapts);
    header += "\nBandwidth:";
    header.append(hz, end);
    header += "\nData:\n";
    return header;
}

std::uint16_t SampleCode(double s) {
    // The order of the operations (add 1, halve, scale) fixes which samples
    // land on a code boundary.
    const double v = 4095.0 * ((s + 1.0) / 2.0);
    // Clamped while still a double: converting a value outside the integer
    // range is undefined. The conversion then truncates toward zero. Selects
    // rather than branches keep the loop over a waveform free of jumps.
    double c = v < 4095.0 ? v : 4095.0;
    c = c > 0.0 ? c : 0.0;
    c = std::isnan(v) ? static_cast<double>(kSwfNanCode) : c;
    return static_cast<std::uint16_t>(static_cast<int>(c));
}

void StoreSwift(const std::string& path, int datapts, double bandwidth,
                std::span<const double> Swift) {
    if (datapts < 0 || static_cast<std::size_t>(datapts) > Swift.size())
        throw Refusal("Error", "There is no waveform to store: synthesise or import one first.");
    if (path.empty())
        throw Refusal("Error", "Must specify a file name.");

    // Replacing by rename would put a plain file in the place of a folder, a
    // device or a pipe; refuse those up front.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw CannotWrite(path, S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);

    const std::string header = SwfHeader(datapts, bandwidth);
    const std::size_t count = static_cast<std::size_t>(datapts);
    std::vector<std::uint16_t> chunk;
    try {
        chunk.resize(std::min(count, kChunkSamples));
    } catch (const std::bad_alloc&) {
        throw Refusal("Error", "There is not enough memory to store \"" + path +
                                   "\": close other programs and store it again.");
    }

    TempFile temp(path + ".XXXXXX");
    if (!temp.created())
        throw CannotWrite(path, errno);
    // mkstemp creates the file for its owner only; give it what a new file
    // would get. Failing that is harmless, so it is not checked.
    (void)::fchmod(temp.fd(), 0666 & ~CurrentUmask());
    if (const int err = WriteAll(temp.fd(), header.data(), header.size()); err != 0)
        throw CannotWrite(path, err);
    for (std::size_t first = 0; first < count; first += kChunkSamples) {
        const std::size_t n = std::min(kChunkSamples, count - first);
        EncodeSamples(Swift.data() + first, n, chunk.data());
        if (const int err = WriteAll(temp.fd(), chunk.data(), 2 * n); err != 0)
            throw CannotWrite(path, err);
    }
    if (const int err = temp.Close(); err != 0)
        throw CannotWrite(path, err);
    if (::rename(temp.name().c_str(), path.c_str()) != 0)
        throw CannotWrite(path, errno);
    temp.Keep();
}

}  // namespace pelorin
