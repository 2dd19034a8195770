// The frequency list that a Hadamard-encoded batch excites: single-precision
// kHz values in strictly ascending order, and the peak-list reader that fills
// it. The graphical front end mirrors the list in a list box.
#pragma once

#include <cstddef>
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace pelorin {

// The list box label: the value widened to double in a field of at least 15
// characters, right aligned, six decimals ("%15f").
std::string FrequencyLabel(float value);

// Inserts value before the first larger one; a value equal to a listed one
// (exact single-precision comparison) is not inserted, nor is NaN, which has
// no place in an ordered list. Returns whether it was inserted; index, when
// given, receives the position of the new or the equal value (list size for a
// NaN).
bool AddToFloatList(std::vector<float>& list, float value, std::size_t* index = nullptr);

// True when every value lies in 0.0 .. bandwidth (kHz, both ends included);
// an empty list passes, a NaN fails.
bool CheckFrequencies(const std::vector<float>& list, double bandwidth);

// Throws a warning Refusal ("Frequency out of frequency range! ...") unless
// CheckFrequencies passes.
void RequireFrequenciesInRange(const std::vector<float>& list, double bandwidth);

// What a peak-list file gave.
struct PeakListResult {
    std::vector<float> frequencies_khz;  // in file order, each Hz value / 1000.0f
    bool count_found = false;            // line 1 held "There were" and a usable count
    int announced = 0;                   // that count (may be negative)
    int lines_skipped = 0;               // data lines that gave no frequency
    std::string note;  // what went differently from the announcement; empty when nothing
};

// Longest line read from a peak list; the rest of a longer line is discarded.
inline constexpr std::size_t kPeakListLineLimit = 1023;

// Reads a peak list: line 1 announces the count of data lines after "There
// were" (any case); five lines follow that are skipped; then up to that many
// data lines "real real integer real", the fourth the frequency in Hz.
// - No usable count (no phrase, no integer after it, one that does not fit an
//   int): no data line is read. A negative count reads none either.
// - A line longer than kPeakListLineLimit is one line; as a data line it gives
//   no frequency (its fourth field may have been cut) and is skipped.
// - A data line whose first field does not scan ends the reading; one that
//   scans only partly (fourth number missing or not a finite number) is
//   skipped. Both count toward the announced lines.
// - A file shorter than its count gives what it holds.
// Fields are separated by white space; numbers are read without regard to the
// locale. Throws Refusal naming the path and the reason when the file cannot be
// opened or read.
PeakListResult ReadPeakList(const std::string& path);

// The same from an open stream.
PeakListResult ReadPeakList(std::istream& in);

// Merges the frequencies read into list; returns how many were new.
int MergePeakList(std::vector<float>& list, const PeakListResult& peaks);

// A peak list that ReadPeakList reads back to list: the count line, five
// lines it passes over, then "0 0 k Hz" per frequency. The reader divides a
// single-precision Hz value by 1000 in single precision, which cannot land on
// every kHz value above about 16777 kHz; such a value is written as the Hz
// value that reads back nearest, and counted in *inexact when given.
std::string PeakListText(const std::vector<float>& list, std::size_t* inexact = nullptr);

// Writes PeakListText(list) to path, complete or not at all (Refusal naming
// the path otherwise). Returns the count of values that could not be written
// exactly.
std::size_t WritePeakList(const std::string& path, const std::vector<float>& list);

}  // namespace pelorin
