#include "core/edit/freqlist.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>

#include "core/files/atomic_file.h"
#include "core/files/input_file.h"
#include "core/numbers.h"
#include "core/refusal.h"

namespace pelorin {

std::string FrequencyLabel(float value) {
    char text[64];  // the widest float in %f takes 47 characters
    std::snprintf(text, sizeof text, "%15f", static_cast<double>(value));
    return text;
}

bool AddToFloatList(std::vector<float>& list, float value, std::size_t* index) {
    if (std::isnan(value)) {
        if (index)
            *index = list.size();
        return false;
    }
    std::size_t i = 0;
    while (i < list.size() && !(value < list[i])) {
        if (value == list[i]) {
            if (index)
                *index = i;
            return false;
        }
        ++i;
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), value);
    if (index)
        *index = i;
    return true;
}

bool CheckFrequencies(const std::vector<float>& list, double bandwidth) {
    // Written as "inside" so that a NaN fails too.
    return std::all_of(list.begin(), list.end(), [bandwidth](float f) {
        const double v = f;
        return v >= 0.0 && v <= bandwidth;
    });
}

void RequireFrequenciesInRange(const std::vector<float>& list, double bandwidth) {
    if (CheckFrequencies(list, bandwidth))
        return;
    char range[64];
    std::snprintf(range, sizeof range, "%g", bandwidth);
    throw Refusal(std::string("Frequency out of frequency range! Every listed frequency must lie "
                              "between 0 and ") +
                      range + " kHz: delete the others and build again.",
                  Severity::Warning);
}

namespace {

// One line of at most kPeakListLineLimit characters, without its line end (LF
// or CR LF). The rest of a longer line is read and dropped, so it cannot come
// back as lines of its own. False at the end of the file.
bool ReadLine(std::istream& in, std::string& text, bool& overlong) {
    using Traits = std::streambuf::traits_type;
    std::streambuf* buf = in.rdbuf();
    text.clear();
    overlong = false;
    bool any = false;
    for (;;) {
        // A file's read error comes out of the buffer as a Refusal.
        const int c = buf->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()))
            break;
        any = true;
        if (c == '\n')
            break;
        // One character more than the limit, so that a CR before the LF of a
        // full-length line does not count as an overlong line.
        if (text.size() <= kPeakListLineLimit)
            text.push_back(static_cast<char>(c));
        else
            overlong = true;
    }
    if (!overlong && !text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.size() > kPeakListLineLimit) {
        overlong = true;
        text.resize(kPeakListLineLimit);
    }
    return any;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const std::size_t from = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > from)
            fields.push_back(line.substr(from, i - from));
    }
    return fields;
}

// A whole field as a finite decimal real; from_chars ignores the locale,
// which a GUI program sets from the environment.
bool ScanReal(std::string_view s, double& value) {
    s = WithoutPlus(s);
    const auto r =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(value);
}

bool ScanInteger(std::string_view s) {
    s = WithoutPlus(s);
    long long value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// How many of "real real integer real" scan in order, and the fourth in Hz.
int ScanPeak(std::string_view line, float& hz) {
    const auto f = Fields(line);
    double v = 0.0;
    if (f.size() < 1 || !ScanReal(f[0], v))
        return 0;
    if (f.size() < 2 || !ScanReal(f[1], v))
        return 1;
    if (f.size() < 3 || !ScanInteger(f[2]))
        return 2;
    if (f.size() < 4 || !ScanReal(f[3], v))
        return 3;
    hz = static_cast<float>(v);
    return std::isfinite(hz) ? 4 : 3;  // beyond single precision: not read
}

std::size_t FindPhrase(std::string_view line, std::string_view phrase) {
    const auto it =
        std::search(line.begin(), line.end(), phrase.begin(), phrase.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    return it == line.end() ? std::string_view::npos : static_cast<std::size_t>(it - line.begin());
}

// The integer after "There were", blanks skipped; false when there is none
// that fits an int, or when a cut line may have cut its digits.
bool ScanCount(std::string_view line, bool overlong, int& count) {
    static constexpr std::string_view kPhrase = "there were";
    std::size_t p = FindPhrase(line, kPhrase);
    if (p == std::string_view::npos)
        return false;
    p += kPhrase.size();
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
        ++p;
    std::string_view rest = WithoutPlus(line.substr(p));
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), count);
    if (r.ec != std::errc())
        return false;
    return !(overlong && r.ptr == rest.data() + rest.size());
}

void AddNote(std::string& note, const std::string& text) {
    if (!note.empty())
        note += "\n";
    note += text;
}

}  // namespace

PeakListResult ReadPeakList(const std::string& path) {
    InputFile input(path, "peak list");
    return ReadPeakList(input.stream());
}

PeakListResult ReadPeakList(std::istream& in) {
    PeakListResult result;
    std::string line;
    bool overlong = false;
    if (!ReadLine(in, line, overlong)) {
        result.note = "The file is empty: no frequencies read.";
        return result;
    }
    if (line.empty()) {
        result.note = "Line 1 is empty: no frequencies read.";
        return result;
    }
    result.count_found = ScanCount(line, overlong, result.announced);
    if (!result.count_found) {
        result.announced = 0;
        result.note =
            "Line 1 does not say \"There were\" followed by the number of peaks (a whole "
            "number): no frequencies read.";
        return result;
    }
    if (result.announced < 0) {
        result.note =
            "Line 1 announces " + std::to_string(result.announced) + " peaks: no frequencies read.";
        return result;
    }

    for (int i = 0; i < 5; ++i) {
        if (!ReadLine(in, line, overlong)) {
            if (result.announced > 0)
                result.note =
                    "The file ends before its first data line (line 7): no "
                    "frequencies read.";
            return result;
        }
    }

    int line_number = 6;
    for (int j = 0; j < result.announced; ++j) {
        ++line_number;
        if (!ReadLine(in, line, overlong)) {
            AddNote(result.note, "The file holds " + std::to_string(j) + " of the " +
                                     std::to_string(result.announced) + " announced data lines.");
            break;
        }
        if (overlong) {
            ++result.lines_skipped;
            AddNote(result.note, "Line " + std::to_string(line_number) + " is longer than " +
                                     std::to_string(kPeakListLineLimit) + " characters: skipped.");
            continue;
        }
        float hz = 0.0f;
        const int scanned = ScanPeak(line, hz);
        if (scanned == 0) {
            AddNote(result.note, "Line " + std::to_string(line_number) +
                                     " holds no peak: reading stopped there.");
            break;
        }
        if (scanned < 4) {
            ++result.lines_skipped;
            AddNote(result.note, "Line " + std::to_string(line_number) +
                                     " has no readable frequency (fourth number): skipped.");
            continue;
        }
        result.frequencies_khz.push_back(hz / 1000.0f);
    }
    return result;
}

int MergePeakList(std::vector<float>& list, const PeakListResult& peaks) {
    int added = 0;
    for (float f : peaks.frequencies_khz)
        added += AddToFloatList(list, f) ? 1 : 0;
    return added;
}

namespace {

// The single-precision Hz value whose reading (hz / 1000.0f) gives khz, or the
// one nearest to it; exact tells which.
float HzFor(float khz, bool& exact) {
    const float guess = static_cast<float>(static_cast<double>(khz) * 1000.0);
    float best = guess;
    double best_error = std::fabs(static_cast<double>(guess / 1000.0f) - khz);
    float down = guess, up = guess;
    for (int step = 0; step < 4; ++step) {
        for (float hz : {down, up}) {
            if (hz / 1000.0f == khz) {
                exact = true;
                return hz;
            }
            const double error = std::fabs(static_cast<double>(hz / 1000.0f) - khz);
            if (error < best_error) {
                best = hz;
                best_error = error;
            }
        }
        down = std::nextafter(down, -std::numeric_limits<float>::infinity());
        up = std::nextafter(up, std::numeric_limits<float>::infinity());
    }
    exact = false;
    return best;
}

}  // namespace

std::string PeakListText(const std::vector<float>& list, std::size_t* inexact) {
    std::string text = "There were " + std::to_string(list.size()) +
                       " peaks\nWritten by Pelorin: the frequency list of a Hadamard encoding\n"
                       "Columns: (unused) (unused) index frequency_Hz\n\n\n\n";
    std::size_t missed = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        bool exact = false;
        const float hz = HzFor(list[k], exact);
        missed += !exact;
        // Nine significant digits read back to the same float.
        char line[64];
        std::snprintf(line, sizeof line, "0 0 %zu %.9g\n", k + 1, static_cast<double>(hz));
        text += line;
    }
    if (inexact)
        *inexact = missed;
    return text;
}

std::size_t WritePeakList(const std::string& path, const std::vector<float>& list) {
    std::size_t inexact = 0;
    const std::string text = PeakListText(list, &inexact);
    AtomicFile file(path);
    file.Write(text.data(), text.size());
    file.Commit();
    return inexact;
}

}  // namespace pelorin
