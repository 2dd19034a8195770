// Reading waveform data files (.dat): a text header followed by
// little-endian 32-bit float samples, imported as a normalised waveform.
//
// The header is read as lines of at most 258 characters: a longer line counts
// as several lines, one per 258-character piece, and every rule below speaks
// of these pieces. A line of exactly 258 characters is still one line. Tags
// are found anywhere in a line, in any letter case; a carriage return before
// the line feed stays in the line and does no harm.
//
//  1. The first line holding "Data Points:" gives the sample count, parsed from
//     the character after the colon (blanks skipped).
//  2. The next line is read. With an AWG chosen, lines are searched for
//     "Bandwidth:" from that line on; the number (Hz) is parsed from the second
//     character after the colon, the first being skipped unread, so
//     "Bandwidth:1300000" reads as 300000 Hz. It is turned into kHz and snapped
//     with FixBandwidth. With no AWG chosen the bandwidth is 320 kHz and that
//     line is passed over unexamined.
//  3. The next line is read and lines are searched for "Data:" from it on, so
//     the line right after "Data Points:" is never taken as the "Data:" line.
//  4. The samples begin after the line feed that ends the "Data:" line. When
//     that line was cut into pieces, the rest of it, after the piece holding
//     the tag, is skipped up to and including its line feed: the samples never
//     start inside the text of the header. Bytes after the last sample are
//     ignored.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "core/refusal.h"

namespace pelorin {

// The header's line reading on its own: pieces of at most kMaxPiece
// characters, without their line feed.
class DatLineReader {
public:
    static constexpr std::size_t kMaxPiece = 258;

    explicit DatLineReader(std::istream& in) : buf_(in.rdbuf()) {}

    // Reads the next piece into line. False, with line empty, only when the
    // stream is at its end (or unreadable) before the call.
    bool Next(std::string& line);

    // True when the last piece stopped at kMaxPiece characters with more of
    // its line still to come.
    bool Cut() const { return cut_; }

    // Skips the rest of the current line through its line feed, or to the end
    // of the stream.
    void SkipRestOfLine();

private:
    std::streambuf* buf_;
    bool cut_ = false;
};

struct DatWaveform {
    int datapts = 0;
    double bandwidth = 0.0;       // kHz
    std::vector<double> samples;  // datapts values, normalised into -1.0 … +1.0
};

// Reads and normalises the waveform of a .dat file for AWG awg (0 none chosen,
// 1 or 2). Throws Refusal(...) naming the path and the fault when the
// file cannot be opened, a tag is missing, the sample count is not a number,
// below 1, above kMaxSamples or beyond what the file holds, the bandwidth is
// not a positive number of at least 1 kHz or lies above the AWG's clock, a
// sample is NaN or infinite, or every sample is 0.0.
DatWaveform ReadDatFile(const std::string& path, int awg);

// The same for an open binary stream; name stands for the file in messages.
DatWaveform ReadDat(std::istream& in, const std::string& name, int awg);

// The AWG clock snapping of an import: AWG 1 divides 25000 kHz, AWG 2 40000
// kHz, into whole kHz. Empty for another AWG number, and for a bandwidth
// below 1 kHz (it would snap to 0) or above the clock figure (no divisor of 1
// or more exists).
std::optional<double> FixBandwidth(int awg, double bw);

// The clock figure (kHz) that FixBandwidth divides for awg, 0 for none.
double AwgClock(int awg);

}  // namespace pelorin
