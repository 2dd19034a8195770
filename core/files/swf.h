// The .swf waveform file: a five-line text header, then one 12-bit sample code
// per sample as a little-endian 16-bit integer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/refusal.h"

namespace pelorin {

inline constexpr std::uint16_t kSwfTopCode = 4095;
// Code written for a sample that is not a number: the code of 0.0, so that a
// broken sample leaves the generator at rest instead of at full excursion.
inline constexpr std::uint16_t kSwfNanCode = 2047;

// "TAVIK SWIFT File\n\nData Points:<datapts>\nBandwidth:<Hz>\nData:\n", the
// bandwidth (kHz) written in Hz with six decimals, always with a '.' whatever
// the process locale.
std::string SwfHeader(int datapts, double bandwidth);

// Maps -1.0..+1.0 onto 0..4095, truncating; samples beyond the range clamp.
std::uint16_t SampleCode(double s);

// The codes of n samples as the file stores them: 16-bit words whose bytes
// are low byte first in memory whatever the machine. out must not overlap
// samples.
void EncodeSamples(const double* samples, std::size_t n, std::uint16_t* out);

// Writes the header and the first datapts samples of Swift to path, replacing
// any file of that name. The file appears complete or not at all: it is written
// under a temporary name in the same folder and renamed into place (so a
// symbolic link of that name is replaced, not followed).
// Throws Refusal when there is no waveform (datapts < 0 or Swift too short) or
// the file cannot be written; an older file of that name is then left intact.
void StoreSwift(const std::string& path, int datapts, double bandwidth,
                std::span<const double> Swift);

// A .swf file as read back: its header's figures and its codes.
struct SwfWaveform {
    int datapts = 0;
    double bandwidth = 0.0;  // kHz
    std::vector<std::uint16_t> codes;
};

// The sample a code stands for in the figures of a waveform: 2 c / 4095 - 1.
inline double DecodeSample(std::uint16_t code) {
    return 2.0 * code / 4095.0 - 1.0;
}

// The middle of the interval of samples that SampleCode maps to code: a
// sample that stores back as the same code, which DecodeSample's value does
// not always do (SampleCode truncates).
double CodeMidpoint(std::uint16_t code);

// Reads a .swf file as StoreSwift writes it: the five header lines exactly
// (the count a whole number from 1 to 2^26, the bandwidth a positive number in
// Hz), then exactly two bytes per sample, each code at most 4095. Refuses
// (Refusal naming the file and what is wrong) anything else: another header,
// too few or too many bytes, an odd byte, a code beyond 12 bits, a count
// beyond what the program handles, and paths that are no regular file.
SwfWaveform ReadSwfFile(const std::string& path);

// The same from the bytes of a file; name stands for it in messages.
SwfWaveform ParseSwf(std::string_view bytes, const std::string& name);

}  // namespace pelorin
