// The played-once spectrum and its figures, against a direct transform of
// the stored codes evaluated between the record's own points, and against
// bands and notches worked out by hand.
#include "core/display/played_once.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "core/files/swf.h"
#include "core/refusal.h"
#include "core/synth/swift.h"

namespace pelorin {
namespace {

constexpr double kPi = 3.14159265358979323846;

// |sum_t (s_t - mean) e^(-2 pi i j t / 8L)| for j = 0 .. 4L - 1, straight
// from the definition (each term's angle reduced exactly through j t mod 8L).
std::vector<double> DirectPlayedOnce(const std::vector<std::uint16_t>& codes) {
    const std::size_t L = codes.size(), P = 8 * L;
    std::vector<double> s(L);
    double mean = 0.0;
    for (std::size_t t = 0; t < L; ++t)
        mean += s[t] = 2.0 * codes[t] / 4095.0 - 1.0;
    mean /= static_cast<double>(L);
    std::vector<double> out(4 * L);
    for (std::size_t j = 0; j < 4 * L; ++j) {
        std::complex<double> sum = 0.0;
        for (std::size_t t = 0; t < L; ++t) {
            const double angle = -2.0 * kPi * static_cast<double>((j * t) % P) / P;
            sum += (s[t] - mean) * std::complex<double>(std::cos(angle), std::sin(angle));
        }
        out[j] = std::abs(sum);
    }
    return out;
}

std::vector<std::uint16_t> Codes(const std::vector<double>& samples) {
    std::vector<std::uint16_t> codes(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        codes[i] = SampleCode(samples[i]);
    return codes;
}

// A band from 200 to 400 kHz with a notch from 290 to 310 kHz, on 1024
// points over 1250 kHz: ones at points 163 .. 326, zeros at 237 .. 252.
std::vector<double> NotchedBand() {
    std::vector<double> profile(1024, 0.0);
    for (int k = 163; k <= 326; ++k)
        profile[static_cast<std::size_t>(k)] = 1.0;
    for (int k = 237; k <= 252; ++k)
        profile[static_cast<std::size_t>(k)] = 0.0;
    return profile;
}

TEST(PlayedOnce, DrawnSpectrumIsTheDirectTransformBetweenAndOnThePoints) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> code(0, 4095);
    // Even, odd and power-of-two lengths: the seven offsets between the
    // record's points come from four transforms and their mirror images.
    for (std::size_t L : {1024u, 1000u, 999u, 16u, 1u}) {
        std::vector<std::uint16_t> codes(L);
        for (auto& c : codes)
            c = static_cast<std::uint16_t>(code(random));
        const std::vector<double> direct = DirectPlayedOnce(codes);
        PlayedOnceSpectrum shown;
        PlayedOnceOfCodes(codes, 1250.0, {}, &shown);
        ASSERT_EQ(shown.span, 1u);
        ASSERT_EQ(shown.values.size(), 4 * L) << L;
        // The drawing is relative to the bands' level: one factor for all,
        // taken from the largest; single precision holds every point to a
        // few millionths of the largest.
        const auto top = std::max_element(direct.begin(), direct.end());
        if (*top == 0.0) {  // one sample: nothing once its mean is gone
            EXPECT_EQ(*std::max_element(shown.values.begin(), shown.values.end()), 0.0);
            continue;
        }
        const double factor = shown.values[static_cast<std::size_t>(top - direct.begin())] / *top;
        for (std::size_t j = 0; j < direct.size(); ++j)
            ASSERT_NEAR(shown.values[j], factor * direct[j], 3e-6 * factor * *top)
                << "L " << L << " sub-point " << j;
    }
}

TEST(PlayedOnce, FiguresOfANotchedBandAgainstHandWorkedRegions) {
    const std::vector<double> profile = NotchedBand();
    for (int factor : {-1, 2}) {
        std::vector<double> waveform;
        SynthesiseSwift(profile, factor, waveform);
        const std::vector<std::uint16_t> codes = Codes(waveform);
        const PlayedOnceFigures f = PlayedOnceOfCodes(codes, 1250.0, profile);
        ASSERT_TRUE(f.bands_from_profile);
        const double d = 1250.0 / 1024.0;  // kHz a point
        ASSERT_EQ(f.bands.size(), 1u);
        EXPECT_DOUBLE_EQ(f.bands[0].span.lo_khz, 163 * d);
        EXPECT_DOUBLE_EQ(f.bands[0].span.hi_khz, 326 * d);
        ASSERT_EQ(f.bands[0].notches.size(), 1u);
        EXPECT_DOUBLE_EQ(f.bands[0].notches[0].lo_khz, 237 * d);
        EXPECT_DOUBLE_EQ(f.bands[0].notches[0].hi_khz, 252 * d);

        // The regions by hand: the band's width is 163 points, its edge
        // share 3.26 points; the notch is 15 points wide, so its margin is
        // 2 points (more than 1.5). Each region holds its lower end, not its
        // upper one.
        const std::vector<double> x = DirectPlayedOnce(codes);
        const double sub = d / 8.0;
        double squares = 0.0, lo = 1e300, hi = 0.0, stop = 0.0, notch = 0.0;
        std::size_t count = 0;
        for (std::size_t j = 0; j < x.size(); ++j) {
            const double k = static_cast<double>(j) * sub / d;  // in points
            const bool ripple = k >= 163 + 3.26 && k < 326 - 3.26 && !(k >= 235 && k < 254);
            if (ripple) {
                squares += x[j] * x[j];
                lo = std::min(lo, x[j]);
                hi = std::max(hi, x[j]);
                ++count;
            } else if (k >= 239 && k < 250) {
                notch = std::max(notch, x[j]);
            } else if ((k < 163 - 3.26 || k >= 326 + 3.26) && j * sub >= 12.5) {
                stop = std::max(stop, x[j]);
            }
        }
        const double rms = std::sqrt(squares / static_cast<double>(count));
        EXPECT_NEAR(f.ripple_lo_db, 20 * std::log10(lo / rms), 1e-4) << factor;
        EXPECT_NEAR(f.ripple_hi_db, 20 * std::log10(hi / rms), 1e-4) << factor;
        EXPECT_NEAR(f.stopband_db, 20 * std::log10(stop / rms), 1e-3) << factor;
        ASSERT_EQ(f.notch_db.size(), 1u);
        EXPECT_NEAR(f.notch_db[0], 20 * std::log10(notch / rms), 1e-3) << factor;
    }
}

TEST(PlayedOnce, TheClassicLawsOwnDefectsShowPlayedOnce) {
    // Factor -1 sweeps inside the record and is flat played once; factor 2
    // sweeps the whole record starting mid-way, and its wrap leaves a hole
    // that the record's own points do not show.
    std::vector<double> profile(4096, 0.0);
    for (int k = 655; k < 1310; ++k)
        profile[static_cast<std::size_t>(k)] = 1.0;
    std::vector<double> waveform;
    SynthesiseSwift(profile, -1, waveform);
    const PlayedOnceFigures flat = PlayedOnceOfSamples(waveform, 1250.0, profile);
    EXPECT_GT(flat.ripple_lo_db, -0.5);
    EXPECT_LT(flat.ripple_hi_db, 0.5);
    SynthesiseSwift(profile, 2, waveform);
    const PlayedOnceFigures wrapped = PlayedOnceOfSamples(waveform, 1250.0, profile);
    EXPECT_LT(wrapped.ripple_lo_db, -20.0);
}

// A long record draws, per run of whole points, the least and the largest
// sub-point in the order they come: one point a run, or as many as keep the
// runs within the number asked.
TEST(PlayedOnce, LongRecordsDrawTheExtremesOfEachRunInTheirOrder) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> code(0, 4095);
    std::vector<std::uint16_t> codes(512);
    for (auto& c : codes)
        c = static_cast<std::uint16_t>(code(random));
    PlayedOnceSpectrum full;
    PlayedOnceOfCodes(codes, 100.0, {}, &full);
    ASSERT_EQ(full.values.size(), 4 * codes.size());
    for (const auto& [pairs, span] :
         {std::pair{std::size_t{1} << 20, 8u}, std::pair{64ul, 32u}, std::pair{60ul, 40u}}) {
        PlayedOnceSpectrum kept;
        kept.full_limit = 511;  // one sample short of drawing every sub-point
        kept.most_pairs = pairs;
        PlayedOnceOfCodes(codes, 100.0, {}, &kept);
        ASSERT_EQ(kept.span, span);
        const std::size_t runs = (full.values.size() + span - 1) / span;
        ASSERT_EQ(kept.values.size(), 2 * runs);
        for (std::size_t k = 0; k < runs; ++k) {
            const auto first = full.values.begin() + static_cast<std::ptrdiff_t>(span * k);
            const auto last = std::min(first + span, full.values.end());
            const auto least = std::min_element(first, last);
            const auto largest = std::max_element(first, last);
            const bool least_first = least <= largest;
            EXPECT_DOUBLE_EQ(kept.values[2 * k], least_first ? *least : *largest) << k;
            EXPECT_DOUBLE_EQ(kept.values[2 * k + 1], least_first ? *largest : *least) << k;
        }
    }
}

TEST(PlayedOnce, BandsAndNotchesOfLevels) {
    // A notch is a gap narrower than both its neighbours; a wider gap parts
    // two bands; an edge gap is neither.
    const std::vector<double> levels = {0, 0, 1, 1, 1, 0, 1, 1, 1, 1, 0, 0, 0,
                                        0, 0, 2, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0};
    const std::vector<DesignBand> b = BandsOfLevels(levels, 0.5);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_DOUBLE_EQ(b[0].span.lo_khz, 1.0);
    EXPECT_DOUBLE_EQ(b[0].span.hi_khz, 4.5);
    ASSERT_EQ(b[0].notches.size(), 1u);
    EXPECT_DOUBLE_EQ(b[0].notches[0].lo_khz, 2.5);
    EXPECT_DOUBLE_EQ(b[0].notches[0].hi_khz, 2.5);
    // The lone point at 7.5 kHz: its gaps (5 and 2 points) are not narrower
    // than it on both sides.
    EXPECT_DOUBLE_EQ(b[1].span.lo_khz, 7.5);
    EXPECT_DOUBLE_EQ(b[1].span.hi_khz, 7.5);
    EXPECT_TRUE(b[1].notches.empty());
    // Points 18, 19 and 21 .. 23 around a one-point gap: one band, notched.
    EXPECT_DOUBLE_EQ(b[2].span.lo_khz, 9.0);
    EXPECT_DOUBLE_EQ(b[2].span.hi_khz, 11.5);
    ASSERT_EQ(b[2].notches.size(), 1u);
    EXPECT_DOUBLE_EQ(b[2].notches[0].lo_khz, 10.0);
    EXPECT_TRUE(BandsOfLevels(std::vector<double>(5, 0.0), 1.0).empty());
}

TEST(PlayedOnce, AFileAloneFindsItsBandAndARecordWithoutOneSaysSo) {
    std::vector<double> profile(2048, 0.0);
    for (int k = 400; k < 800; ++k)
        profile[static_cast<std::size_t>(k)] = 1.0;
    std::vector<double> waveform;
    SynthesiseSwift(profile, -1, waveform);
    const PlayedOnceFigures f = PlayedOnceOfCodes(Codes(waveform), 1000.0);
    EXPECT_FALSE(f.bands_from_profile);
    ASSERT_EQ(f.bands.size(), 1u);
    const double d = 1000.0 / 2048.0;
    EXPECT_NEAR(f.bands[0].span.lo_khz, 400 * d, 2 * d);
    EXPECT_NEAR(f.bands[0].span.hi_khz, 799 * d, 2 * d);
    EXPECT_LT(f.stopband_db, -25.0);
    EXPECT_NE(PlayedOnceText(f).find("bands_from: spectrum\n"), std::string::npos);

    // Every code alike: no band, figures without a value, no refusal.
    const PlayedOnceFigures none = PlayedOnceOfCodes(std::vector<std::uint16_t>(64, 2047), 10.0);
    EXPECT_TRUE(none.bands.empty());
    EXPECT_TRUE(std::isnan(none.ripple_lo_db));
    EXPECT_NE(PlayedOnceText(none).find("ripple_db: none none\n"), std::string::npos);
    EXPECT_THROW(PlayedOnceOfCodes({}, 10.0), Refusal);

    // A record entirely at full scale reads as 100 %, not in exponent form.
    WaveformFigures full;
    std::vector<std::uint16_t> square(64, 0);
    for (std::size_t i = 0; i < square.size(); i += 2)
        square[i] = kSwfTopCode;
    PlayedOnceOfCodes(square, 10.0, {}, nullptr, &full);
    EXPECT_EQ(full.clipped_fraction, 1.0);
    EXPECT_NE(FiguresForEye(full, nullptr).find("At full scale 100 %"), std::string::npos)
        << FiguresForEye(full, nullptr);
}

}  // namespace
}  // namespace pelorin
