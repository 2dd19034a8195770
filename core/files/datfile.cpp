#include "core/files/datfile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "core/files/input_file.h"
#include "core/limits.h"
#include "core/maxmin.h"
#include "core/numbers.h"
#include "core/refusal.h"

namespace pelorin {

namespace {

constexpr std::string_view kCountTag = "Data Points:";
constexpr std::string_view kBandwidthTag = "Bandwidth:";
constexpr std::string_view kDataTag = "Data:";
constexpr double kNoAwgBandwidth = 320.0;  // kHz

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Index of tag in line, ignoring ASCII letter case, or npos.
std::size_t FindTag(std::string_view line, std::string_view tag) {
    const auto it = std::search(line.begin(), line.end(), tag.begin(), tag.end(),
                                [](char a, char b) { return Lower(a) == Lower(b); });
    return it == line.end() ? std::string_view::npos : static_cast<std::size_t>(it - line.begin());
}

std::string_view SkipBlanks(std::string_view s) {
    const std::size_t i = s.find_first_not_of(" \t");
    return i == std::string_view::npos ? std::string_view{} : s.substr(i);
}

[[noreturn]] void Refuse(const std::string& name, const std::string& what) {
    throw Refusal("The data file " + name + " " + what);
}

std::string Number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

class HeaderReader {
public:
    HeaderReader(std::istream& in, const std::string& name) : lines_(in), name_(name) {}

    // Reads lines until one holds tag, starting with the current line when
    // examineCurrent is set. Returns the tag's index in current().
    std::size_t Seek(std::string_view tag, bool examineCurrent, std::string_view where) {
        if (examineCurrent && have_) {
            const std::size_t at = FindTag(line_, tag);
            if (at != std::string_view::npos)
                return at;
        }
        while (Read()) {
            const std::size_t at = FindTag(line_, tag);
            if (at != std::string_view::npos)
                return at;
        }
        Refuse(name_, "has no \"" + std::string(tag) + "\" line" + std::string(where) +
                          ". Check that it is a waveform data file and complete.");
    }

    // Reads the next line; at the end of the file there is none and nothing
    // is left to examine.
    bool Read() {
        have_ = lines_.Next(line_);
        return have_;
    }

    const std::string& current() const { return line_; }
    DatLineReader& lines() { return lines_; }

private:
    DatLineReader lines_;
    const std::string& name_;
    std::string line_;
    bool have_ = false;
};

long long ParseCount(std::string_view text, const std::string& name) {
    text = WithoutPlus(SkipBlanks(text));
    long long count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec == std::errc::invalid_argument)
        Refuse(name, "has no number after \"Data Points:\". Check its header.");
    const std::string written(text.substr(0, static_cast<std::size_t>(end - text.data())));
    // On overflow count keeps its 0: the sign tells the two ends apart.
    if (text[0] == '-' || (ec == std::errc{} && count < 1))
        Refuse(name, "announces " + written +
                         " samples; a waveform needs at least 1. Check its \"Data Points:\" line.");
    if (ec == std::errc::result_out_of_range || count > kMaxSamples)
        Refuse(name, "announces " + written + " samples; at most " + std::to_string(kMaxSamples) +
                         " can be imported.");
    return count;
}

double ParseBandwidth(std::string_view text, const std::string& name, int awg) {
    text = WithoutPlus(SkipBlanks(text));
    double hz = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), hz);
    if (ec == std::errc::invalid_argument)
        Refuse(name,
               "has no number on its \"Bandwidth:\" line (the character right after the "
               "colon is not read). Check its header.");
    const std::string written(text.substr(0, static_cast<std::size_t>(end - text.data())));
    if (ec == std::errc::result_out_of_range || !std::isfinite(hz) || !(hz > 0.0))
        Refuse(name, "has a bandwidth of " + written +
                         " Hz; a positive number is needed. Check its \"Bandwidth:\" line.");
    const double khz = hz / 1000.0;
    if (const std::optional<double> snapped = FixBandwidth(awg, khz))
        return *snapped;
    const double clock = AwgClock(awg);
    if (khz > clock)
        Refuse(name, "has a bandwidth of " + Number(khz) + " kHz, above the " + Number(clock) +
                         " kHz clock of AWG " + std::to_string(awg) +
                         ". Choose the other AWG or correct the file.");
    // Below 1 kHz the snapping divides the clock into 0 kHz.
    Refuse(name, "has a bandwidth of " + written +
                     " Hz; at least 1 kHz is needed. Check its \"Bandwidth:\" line.");
}

// Reads up to want bytes, growing the buffer only as data arrives, so an
// absurd count never allocates more than the file holds.
std::vector<unsigned char> ReadUpTo(std::streambuf& buf, std::size_t want) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::vector<unsigned char> bytes;
    while (bytes.size() < want) {
        const std::size_t have = bytes.size();
        const std::size_t chunk = std::min(kChunk, want - have);
        bytes.resize(have + chunk);
        const std::streamsize got = buf.sgetn(reinterpret_cast<char*>(bytes.data() + have),
                                              static_cast<std::streamsize>(chunk));
        bytes.resize(have + static_cast<std::size_t>(std::max<std::streamsize>(got, 0)));
        if (got < static_cast<std::streamsize>(chunk))
            break;
    }
    return bytes;
}

}  // namespace

bool DatLineReader::Next(std::string& line) {
    using Traits = std::streambuf::traits_type;
    line.clear();
    cut_ = false;
    int c = buf_->sgetc();
    if (Traits::eq_int_type(c, Traits::eof()))
        return false;
    while (line.size() < kMaxPiece) {
        c = buf_->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()) || Traits::to_char_type(c) == '\n')
            return true;
        line.push_back(Traits::to_char_type(c));
    }
    // A full piece: its line ends here only if a line feed follows at once.
    c = buf_->sgetc();
    if (Traits::eq_int_type(c, Traits::eof()))
        return true;
    if (Traits::to_char_type(c) == '\n')
        buf_->sbumpc();
    else
        cut_ = true;
    return true;
}

void DatLineReader::SkipRestOfLine() {
    using Traits = std::streambuf::traits_type;
    for (;;) {
        const int c = buf_->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()) || Traits::to_char_type(c) == '\n')
            break;
    }
    cut_ = false;
}

DatWaveform ReadDat(std::istream& in, const std::string& name, int awg) {
    if (awg < 0 || awg > 2)
        Refuse(name, "cannot be read for AWG " + std::to_string(awg) +
                         ", which does not exist. Choose AWG 1 or AWG 2 (or none).");
    HeaderReader header(in, name);

    std::size_t at = header.Seek(kCountTag, false, "");
    const long long count =
        ParseCount(std::string_view(header.current()).substr(at + kCountTag.size()), name);

    header.Read();
    double bandwidth = kNoAwgBandwidth;
    if (awg != 0) {
        at = header.Seek(kBandwidthTag, true, " after its \"Data Points:\" line");
        // The character right after the colon is skipped unread.
        const std::size_t from = at + kBandwidthTag.size() + 1;
        const std::string_view line = header.current();
        bandwidth =
            ParseBandwidth(from < line.size() ? line.substr(from) : std::string_view{}, name, awg);
    }

    header.Read();
    header.Seek(kDataTag, true,
                awg != 0 ? " after its \"Bandwidth:\" line" : " after its \"Data Points:\" line");
    if (header.lines().Cut())
        header.lines().SkipRestOfLine();

    const auto want = static_cast<std::size_t>(count) * 4;
    const std::vector<unsigned char> bytes = ReadUpTo(*in.rdbuf(), want);
    if (bytes.size() < want)
        Refuse(name, "holds " + std::to_string(bytes.size() / 4) + " samples but announces " +
                         std::to_string(count) + ". It may have been cut short.");

    DatWaveform w;
    w.datapts = static_cast<int>(count);
    w.bandwidth = bandwidth;
    w.samples.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < w.samples.size(); ++i) {
        const unsigned char* b = bytes.data() + 4 * i;
        const std::uint32_t u = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
        const double v = std::bit_cast<float>(u);
        if (!std::isfinite(v))
            Refuse(name, "has a sample that is not a finite number (sample " + std::to_string(i) +
                             " is " + Number(v) + "). The waveform cannot be normalised.");
        w.samples[i] = v;
    }

    double max = 0.0, min = 0.0;
    int imax = 0, imin = 0;
    MaxMin1D(w.samples, max, imax, min, imin);
    const double divisor = std::fabs(min) >= max ? std::fabs(min) : max;
    if (divisor == 0.0)
        Refuse(name, "holds only samples of 0.0; there is no waveform to normalise.");
    // Dividing, not multiplying by the reciprocal: x * (1 / x) falls short of
    // 1.0 for many values, and the writer's truncation would then miss its top
    // code for the peak.
    for (double& v : w.samples)
        v /= divisor;
    return w;
}

DatWaveform ReadDatFile(const std::string& path, int awg) {
    InputFile file(path, "data file");
    return ReadDat(file.stream(), path, awg);
}

double AwgClock(int awg) {
    return awg == 1 ? 25000.0 : awg == 2 ? 40000.0 : 0.0;
}

std::optional<double> FixBandwidth(int awg, double bw) {
    const int clock = static_cast<int>(AwgClock(awg));
    if (clock == 0)
        return std::nullopt;
    // Below 1 kHz the whole-kHz result would be 0 (and the divisor can
    // overflow an int); above the clock figure there is no divisor of 1.
    if (!(bw >= 1.0) || !std::isfinite(bw) || bw > clock)
        return std::nullopt;
    const int n = static_cast<int>(std::floor(clock / bw));
    return static_cast<double>(clock / n);
}

}  // namespace pelorin
