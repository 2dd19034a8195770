#include "core/synth/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "core/memory.h"

namespace pelorin {
namespace {

constexpr double kTwoPi = 6.283185307179586;

void FillRandom(SplitComplexBuffer& buf, std::size_t length, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (std::size_t i = 0; i < length; ++i) {
        buf.re()[i] = dist(gen);
        buf.im()[i] = dist(gen);
    }
}

// Direct evaluation of sum x[n] e^(sign 2 pi i k n / L).
std::vector<std::complex<double>> NaiveDft(const SplitComplexBuffer& buf, std::size_t length,
                                           int sign) {
    std::vector<std::complex<double>> out(length);
    for (std::size_t k = 0; k < length; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t n = 0; n < length; ++n) {
            const double angle =
                sign * kTwoPi * static_cast<double>((k * n) % length) / static_cast<double>(length);
            sum += std::complex<double>(buf.re()[n], buf.im()[n]) * std::polar(1.0, angle);
        }
        out[k] = sum;
    }
    return out;
}

TEST(fft_test, buffer_is_zeroed_and_moves) {
    SplitComplexBuffer a(8);
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(a.im(), a.re() + 8);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_TRUE(a.re()[i] == 0.0 && a.im()[i] == 0.0);
    a.re()[3] = 5.0;
    SplitComplexBuffer b(std::move(a));
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.re(), nullptr);
    EXPECT_EQ(a.im(), nullptr);
    EXPECT_EQ(b.re()[3], 5.0);
    SplitComplexBuffer c(2);
    c = std::move(b);
    EXPECT_EQ(c.size(), 8u);
    EXPECT_EQ(c.re()[3], 5.0);
}

TEST(fft_test, matches_direct_dft_both_directions) {
    for (std::size_t length : {1u, 2u, 4u, 6u, 16u, 64u, 250u}) {
        SCOPED_TRACE(length);
        // A larger buffer of odd size: the imaginary half starts off the SIMD
        // alignment of the real one, which the plan must have been made for.
        SplitComplexBuffer buf(2 * length + 1);
        FillRandom(buf, length, 7);
        const auto forward = NaiveDft(buf, length, -1);
        const auto inverse = NaiveDft(buf, length, +1);

        SplitComplexBuffer copy(2 * length + 1);
        for (std::size_t i = 0; i < length; ++i) {
            copy.re()[i] = buf.re()[i];
            copy.im()[i] = buf.im()[i];
        }
        ForwardFft(buf, length);
        InverseFft(copy, length);
        const double l = static_cast<double>(length);
        for (std::size_t k = 0; k < length; ++k) {
            EXPECT_NEAR(buf.re()[k], forward[k].real(), 1e-12);
            EXPECT_NEAR(buf.im()[k], forward[k].imag(), 1e-12);
            EXPECT_NEAR(copy.re()[k], inverse[k].real() / l, 1e-12);
            EXPECT_NEAR(copy.im()[k], inverse[k].imag() / l, 1e-12);
        }
        for (std::size_t k = length; k < buf.size(); ++k)
            EXPECT_TRUE(buf.re()[k] == 0.0 && buf.im()[k] == 0.0);
    }
}

TEST(fft_test, impulse_and_tone) {
    const std::size_t length = 256;
    SplitComplexBuffer buf(length);
    buf.re()[0] = 1.0;
    ForwardFft(buf, length);
    for (std::size_t k = 0; k < length; ++k) {
        EXPECT_DOUBLE_EQ(buf.re()[k], 1.0);
        EXPECT_DOUBLE_EQ(buf.im()[k] + 1.0, 1.0);
    }

    // A single bin inverse-transforms to e^(+2 pi i k0 n / L) / L: the sign
    // of the exponent is what the synthesis depends on.
    const std::size_t k0 = 5;
    SplitComplexBuffer tone(length);
    tone.re()[k0] = 1.0;
    InverseFft(tone, length);
    for (std::size_t n = 0; n < length; ++n) {
        const double angle = kTwoPi * static_cast<double>(k0 * n) / length;
        EXPECT_NEAR(tone.re()[n], std::cos(angle) / length, 1e-15);
        EXPECT_NEAR(tone.im()[n], std::sin(angle) / length, 1e-15);
    }
    ForwardFft(tone, length);
    for (std::size_t k = 0; k < length; ++k) {
        EXPECT_NEAR(tone.re()[k], k == k0 ? 1.0 : 0.0, 1e-13);
        EXPECT_NEAR(tone.im()[k], 0.0, 1e-13);
    }

    SplitComplexBuffer unscaled(length);
    unscaled.re()[k0] = 1.0;
    InverseFftUnscaled(unscaled, length);
    EXPECT_NEAR(unscaled.re()[1], std::cos(kTwoPi * k0 / length), 1e-13);
}

TEST(fft_test, round_trip_on_separate_buffers_reusing_plans) {
    // Plans are cached per length and layout; every fresh allocation of the
    // same size must run correctly on them, and so must a differently sized
    // buffer at the same length.
    for (std::size_t length : {8u, 1024u, 65536u}) {
        SCOPED_TRACE(length);
        for (int round = 0; round < 3; ++round) {
            for (std::size_t size : {length, 4 * length}) {
                SplitComplexBuffer buf(size);
                FillRandom(buf, length, static_cast<unsigned>(round));
                std::vector<double> re(buf.re(), buf.re() + length);
                std::vector<double> im(buf.im(), buf.im() + length);
                ForwardFft(buf, length);
                InverseFft(buf, length);
                double worst = 0.0;
                for (std::size_t i = 0; i < length; ++i)
                    worst = std::max(
                        {worst, std::fabs(buf.re()[i] - re[i]), std::fabs(buf.im()[i] - im[i])});
                EXPECT_LT(worst, 1e-13);
            }
        }
    }
}

TEST(fft_test, transforms_from_several_threads) {
    std::vector<std::thread> threads;
    std::vector<double> errors(4, 1.0);
    for (std::size_t t = 0; t < errors.size(); ++t) {
        threads.emplace_back([t, &errors] {
            const std::size_t length = std::size_t{32} << (t % 2);
            double worst = 0.0;
            for (int round = 0; round < 20; ++round) {
                SplitComplexBuffer buf(length * (1 + t));
                FillRandom(buf, length, static_cast<unsigned>(t * 100 + round));
                const double before = buf.re()[3];
                ForwardFft(buf, length);
                InverseFft(buf, length);
                worst = std::max(worst, std::fabs(buf.re()[3] - before));
            }
            errors[t] = worst;
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (double e : errors)
        EXPECT_LT(e, 1e-13);
}

// The real-output inverse against a direct sum over the Hermitian spectrum
// (bins 0 .. L/2 given, the rest their mirrors), even lengths that are powers
// of two and others.
TEST(fft_test, real_output_inverse_matches_direct_sum) {
    for (std::size_t length : {2u, 6u, 16u, 250u, 1024u}) {
        SCOPED_TRACE(length);
        AlignedDoubles block(length + 2);
        std::mt19937 gen(static_cast<unsigned>(length));
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        std::vector<std::complex<double>> bins(length / 2 + 1);
        for (auto& b : bins)
            b = {dist(gen), dist(gen)};
        bins.front().imag(0.0);  // the transform reads no imaginary part there
        bins.back().imag(0.0);
        for (std::size_t k = 0; k < bins.size(); ++k) {
            block.data()[2 * k] = bins[k].real();
            block.data()[2 * k + 1] = bins[k].imag();
        }
        InverseRealFft(block.data(), block.size(), length);
        for (std::size_t t = 0; t < length; ++t) {
            std::complex<double> sum = 0.0;
            for (std::size_t k = 0; k < length; ++k) {
                const auto bin = k <= length / 2 ? bins[k] : std::conj(bins[length - k]);
                sum += bin * std::polar(1.0, kTwoPi * static_cast<double>((k * t) % length) /
                                                 static_cast<double>(length));
            }
            EXPECT_NEAR(block.data()[t], sum.real(), 1e-11) << t;
        }
    }
    AlignedDoubles small(8);
    EXPECT_THROW(InverseRealFft(small.data(), small.size(), 8), std::invalid_argument);
    EXPECT_THROW(InverseRealFft(small.data(), small.size(), 5), std::invalid_argument);
}

// Long records take another way through the transform (half the length,
// complex): a few tones at random bins, checked sample by sample against
// their sum, and back again bin by bin, at lengths just past the switch and
// at a power of two.
TEST(fft_test, long_real_transforms_match_sums_of_tones) {
    for (std::size_t length : {std::size_t{1} << 19, (std::size_t{1} << 19) + 2,
                               (std::size_t{1} << 20) + 6, std::size_t{1} << 21}) {
        SCOPED_TRACE(length);
        const std::size_t half = length / 2;
        std::mt19937 gen(static_cast<unsigned>(length));
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        std::uniform_int_distribution<std::size_t> bin_of(1, half - 1);
        std::vector<std::pair<std::size_t, std::complex<double>>> tones = {
            {0, {dist(gen), 0.0}}, {half, {dist(gen), 0.0}}};
        for (int i = 0; i < 5; ++i)
            tones.push_back({bin_of(gen), {dist(gen), dist(gen)}});
        AlignedDoubles block(length + 2);
        std::fill(block.data(), block.data() + block.size(), 0.0);
        for (const auto& [k, b] : tones) {
            block.data()[2 * k] += b.real();
            block.data()[2 * k + 1] += b.imag();
        }
        const std::vector<double> spectrum(block.data(), block.data() + block.size());
        InverseRealFft(block.data(), block.size(), length);
        double worst = 0.0;
        for (std::size_t t = 0; t < length; t += 7) {
            double sum = 0.0;
            for (const auto& [k, b] : tones) {
                const auto turn = std::polar(1.0, kTwoPi * static_cast<double>((k * t) % length) /
                                                      static_cast<double>(length));
                sum += (k == 0 || k == half ? 1.0 : 2.0) * (b * turn).real();
            }
            worst = std::max(worst, std::fabs(block.data()[t] - sum));
        }
        EXPECT_LT(worst, 1e-9);
        // Forward again: L times the bins given (the ends' imaginary parts
        // are none), zero elsewhere.
        ForwardRealFft(block.data(), block.size(), length);
        worst = 0.0;
        for (std::size_t i = 0; i < block.size(); ++i) {
            const double expected =
                (i == 1 || i == 2 * half + 1) ? 0.0 : static_cast<double>(length) * spectrum[i];
            worst = std::max(worst, std::fabs(block.data()[i] - expected));
        }
        EXPECT_LT(worst, 1e-6);
    }
}

TEST(fft_test, rejects_bad_lengths) {
    SplitComplexBuffer buf(8);
    EXPECT_THROW(ForwardFft(buf, 0), std::invalid_argument);
    EXPECT_THROW(InverseFft(buf, 9), std::invalid_argument);
    SplitComplexBuffer empty;
    EXPECT_THROW(InverseFftUnscaled(empty, 1), std::invalid_argument);
}

}  // namespace
}  // namespace pelorin
