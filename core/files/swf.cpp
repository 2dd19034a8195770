#include "core/files/swf.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "core/files/atomic_file.h"
#include "core/workspace/workspace.h"

namespace pelorin {

namespace {

// Samples converted per write: the codes stay in cache between conversion and
// write, and a long waveform needs no second copy of itself in memory.
constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

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

std::string WithSwfExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    // A leading dot marks a hidden file, not an extension.
    if (name >= path.size() || path.find('.', name + 1) != std::string::npos)
        return path;
    return path + ".swf";
}

// Two bytes per sample, low byte first whatever the byte order of this
// machine. Codes are stored as 16-bit words, which lets the loop vectorise
// (packing bytes one by one does not); on a big-endian machine they are
// swapped first.
void EncodeSamples(const double* __restrict samples, std::size_t n, std::uint16_t* __restrict out) {
    for (std::size_t i = 0; i < n; ++i) {
        std::uint16_t code = SampleCode(samples[i]);
        if constexpr (std::endian::native == std::endian::big)
            code = static_cast<std::uint16_t>(code << 8 | code >> 8);
        out[i] = code;
    }
}

void StoreSwift(const std::string& path, int datapts, double bandwidth,
                std::span<const double> Swift) {
    if (datapts < 0 || static_cast<std::size_t>(datapts) > Swift.size())
        throw Refusal("There is no waveform to store: synthesise or import one first.");
    const std::string header = SwfHeader(datapts, bandwidth);
    const std::size_t count = static_cast<std::size_t>(datapts);
    std::vector<std::uint16_t> chunk;
    try {
        chunk.resize(std::min(count, kChunkSamples));
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to store \"" + path +
                      "\": close other programs and store it again.");
    }
    AtomicFile file(path);
    file.Write(header.data(), header.size());
    for (std::size_t first = 0; first < count; first += kChunkSamples) {
        const std::size_t n = std::min(kChunkSamples, count - first);
        EncodeSamples(Swift.data() + first, n, chunk.data());
        file.Write(chunk.data(), 2 * n);
    }
    file.Commit();
}

}  // namespace pelorin
