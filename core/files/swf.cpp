#include "core/files/swf.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "core/files/atomic_file.h"
#include "core/files/input_file.h"
#include "core/limits.h"
#include "core/refusal.h"

namespace pelorin {

namespace {

// Samples converted per write: the codes stay in cache between conversion and
// write, and a long waveform needs no second copy of itself in memory.
constexpr std::size_t kChunkSamples = std::size_t{1} << 16;

// The longest header StoreSwift writes: the fixed text, a count of at most
// ten digits and the largest bandwidth a waveform can have, with room to
// spare for what a reader may meet.
constexpr std::size_t kLongestHeader = 512;

[[noreturn]] void RefuseSwf(const std::string& name, const std::string& what) {
    throw Refusal("\"" + name + "\" is not a waveform as this program stores it: " + what);
}

std::string Quoted(std::string_view line) {
    std::string out = "\"";
    for (char c : line.substr(0, 40)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + (line.size() > 40 ? "…\"" : "\"");
}

// Reads the five header lines from the start of text into w; returns the
// header's length in bytes.
std::size_t ParseHeader(std::string_view text, const std::string& name, SwfWaveform& w) {
    std::size_t at = 0;
    int number = 0;
    const auto next_line = [&](std::string_view expected) {
        ++number;
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            RefuseSwf(name, "the header ends before its line " + std::to_string(number) +
                                ", which should read " + Quoted(expected) + ".");
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        return line;
    };
    const auto tagged = [&](std::string_view tag, std::string_view example) {
        const std::string_view line = next_line(std::string(tag) + std::string(example));
        if (line.substr(0, tag.size()) != tag)
            RefuseSwf(name, "line " + std::to_string(number) + " should read " +
                                Quoted(std::string(tag) + std::string(example)) + ", not " +
                                Quoted(line) + ".");
        return line.substr(tag.size());
    };
    if (const std::string_view first = next_line("TAVIK SWIFT File"); first != "TAVIK SWIFT File")
        RefuseSwf(name, "its first line is " + Quoted(first) + ", not \"TAVIK SWIFT File\".");
    if (const std::string_view blank = next_line(""); !blank.empty())
        RefuseSwf(name, "its second line should be empty, not " + Quoted(blank) + ".");

    const std::string_view count = tagged("Data Points:", "<count>");
    long long n = -1;
    const auto c = std::from_chars(count.data(), count.data() + count.size(), n);
    if (count.empty() || c.ptr != count.data() + count.size() ||
        (c.ec != std::errc() && c.ec != std::errc::result_out_of_range) || count[0] == '-')
        RefuseSwf(name, "the sample count " + Quoted(count) + " is not a whole number.");
    if (c.ec == std::errc::result_out_of_range || n > kMaxSamples)
        RefuseSwf(name, "it announces " + std::string(count) + " samples; at most " +
                            std::to_string(kMaxSamples) + " can be read.");
    if (n < 1)
        RefuseSwf(name, "it announces no samples.");

    const std::string_view hz = tagged("Bandwidth:", "<Hz>");
    double bandwidth = 0.0;
    const auto b =
        std::from_chars(hz.data(), hz.data() + hz.size(), bandwidth, std::chars_format::fixed);
    if (hz.empty() || b.ec != std::errc() || b.ptr != hz.data() + hz.size() ||
        !std::isfinite(bandwidth) || !(bandwidth > 0.0))
        RefuseSwf(name, "the bandwidth " + Quoted(hz) + " is not a positive number of Hz.");
    if (const std::string_view data = tagged("Data:", ""); !data.empty())
        RefuseSwf(name,
                  "line 5 should read \"Data:\" alone, not \"Data:" + Quoted(data).substr(1) + ".");
    w.datapts = static_cast<int>(n);
    w.bandwidth = bandwidth / 1000.0;
    return at;
}

void CheckSampleBytes(const std::string& name, std::uint64_t bytes, int datapts) {
    const std::uint64_t needed = 2 * static_cast<std::uint64_t>(datapts);
    if (bytes < needed)
        RefuseSwf(name, "it is cut short: its header announces " + std::to_string(datapts) +
                            " samples, " + std::to_string(needed) + " bytes, but only " +
                            std::to_string(bytes) + " follow.");
    if (bytes > needed)
        RefuseSwf(name,
                  std::to_string(bytes - needed) + (bytes - needed == 1 ? " byte" : " bytes") +
                      " follow the " + std::to_string(datapts) + " samples its header announces" +
                      ((bytes - needed) % 2 != 0 ? " (an odd number: not 16-bit samples)." : "."));
}

// Puts the codes in the machine's order and refuses one beyond 12 bits.
void CheckCodes(const std::string& name, std::vector<std::uint16_t>& codes) {
    for (std::size_t i = 0; i < codes.size(); ++i) {
        std::uint16_t& code = codes[i];
        if constexpr (std::endian::native == std::endian::big)
            code = static_cast<std::uint16_t>(code << 8 | code >> 8);
        if (code > kSwfTopCode)
            RefuseSwf(name, "sample " + std::to_string(i) + " holds the code " +
                                std::to_string(code) + ", beyond the 12-bit codes 0 to 4095.");
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

double CodeMidpoint(std::uint16_t code) {
    return (2.0 * code + 1.0) / 4095.0 - 1.0;
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

SwfWaveform ParseSwf(std::string_view bytes, const std::string& name) {
    SwfWaveform w;
    const std::size_t header = ParseHeader(bytes.substr(0, kLongestHeader), name, w);
    CheckSampleBytes(name, bytes.size() - header, w.datapts);
    w.codes.resize(static_cast<std::size_t>(w.datapts));
    std::memcpy(w.codes.data(), bytes.data() + header, 2 * w.codes.size());
    CheckCodes(name, w.codes);
    return w;
}

SwfWaveform ReadSwfFile(const std::string& path) {
    InputFile file(path, "waveform");
    std::istream& in = file.stream();
    const std::uint64_t size = file.size();
    std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(size, kLongestHeader)),
                      '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    SwfWaveform w;
    const std::size_t header = ParseHeader(start, path, w);
    CheckSampleBytes(path, size - header, w.datapts);
    try {
        w.codes.resize(static_cast<std::size_t>(w.datapts));
    } catch (const std::bad_alloc&) {
        throw Refusal("There is not enough memory to read \"" + path +
                      "\": close other programs and open it again.");
    }
    in.seekg(static_cast<std::streamoff>(header));
    in.read(reinterpret_cast<char*>(w.codes.data()),
            static_cast<std::streamsize>(2 * w.codes.size()));
    if (!in)
        throw Refusal(file.named() + "it could not be read to its end.");
    CheckCodes(path, w.codes);
    return w;
}

}  // namespace pelorin
