// Every documented limit as a pair: the largest (or smallest) value accepted
// and the next one refused, for the entries the steps read through their
// panels' ranges and for the length of a stored waveform read back.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "core/files/swf.h"
#include "core/limits.h"
#include "core/recipe/entries.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "tests/support/test_dir.h"

namespace pelorin {
namespace {

// Runs the recipe; "" when every step ran, else the refusal.
std::string Outcome(const std::string& text) {
    std::ostringstream out;
    recipe::Runner runner(out, false);
    try {
        for (const recipe::Step& s : recipe::ParseRecipe(text))
            runner.Run(s);
    } catch (const Refusal& r) {
        return r.what();
    }
    return "";
}

struct Limit {
    std::string before;  // the steps that make the limited one possible
    std::string step;    // with VALUE where the limit goes
    double accepted;     // the last value accepted
    double refused;      // the next one, refused
};

std::string With(const std::string& step, double v) {
    std::string s = step;
    const bool whole = v == std::floor(v) && std::fabs(v) < 1e15;
    s.replace(s.find("VALUE"), 5,
              whole ? std::to_string(static_cast<long long>(v)) : recipe::Num(v));
    return s;
}

TEST(Limits, EachEntryAcceptsItsLastValueAndRefusesTheNext) {
    const std::string profile = "reset layout=ni samples=64 bandwidth=100\n";
    const double up = INFINITY, down = -INFINITY;
    const Limit limits[] = {
        {"", "reset layout=ni samples=VALUE bandwidth=100", 2, 1},
        {"", "reset layout=ni samples=VALUE bandwidth=100", kMaxSamples, kMaxSamples + 1.0},
        {"", "reset layout=ni samples=64 bandwidth=VALUE", 1e6, std::nextafter(1e6, up)},
        {"", "reset layout=ni samples=64 bandwidth=VALUE", 0.001, std::nextafter(0.001, down)},
        {"", "reset layout=tek samples=64 bandwidth=VALUE", 12500, std::nextafter(12500.0, up)},
        {profile, "notch from=10 to=20 level=VALUE", 1e6, std::nextafter(1e6, up)},
        {profile, "notch from=10 to=20 level=VALUE", -1e6, std::nextafter(-1e6, down)},
        {profile, "notch from=VALUE to=20 level=1", 0, -5e-324},
        {"reset layout=ni samples=2000002 bandwidth=100\n", "smooth width=VALUE", 1000001, 1000003},
        {profile, "smooth width=VALUE", 1, -1},
        {profile, "swim law=1 nodes=VALUE base=0 peak=1 from=10 to=20", 4294967295.0, 4294967296.0},
        {profile, "swim law=VALUE nodes=2 base=0 peak=1 from=10 to=20", 5, 6},
        {profile, "swim law=VALUE nodes=2 base=0 peak=1 from=10 to=20", 1, 0},
        {profile, "swim law=1 nodes=2 base=VALUE peak=1 from=-1e6 to=20", -1e6,
         std::nextafter(-1e6, down)},
        {profile + "notch from=10 to=20 level=1\n", "swift factor=VALUE", 64, 65},
        {profile + "notch from=10 to=20 level=1\n", "swift factor=VALUE", -64, -65},
        {profile, "freq add=VALUE", 1e6, 1000000.0625},
        // In m/z under 7 T, 1e6 kHz is m/z 0.107492822840...
        {profile, "freq add-mz=VALUE", 0.1075, 0.1074},
        {profile + "freq add=50\n", "hadamard width=VALUE row=1", 1e9, std::nextafter(1e9, up)},
        {"reset layout=ni samples=16 bandwidth=100\nnotch from=10 to=60 level=1\n",
         "swift phase=optimised iterations=VALUE", 100000, 100001},
        {profile + "notch from=10 to=60 level=1\nswift\n", "excite vpp=VALUE", 1e5,
         std::nextafter(1e5, up)},
        {profile + "notch from=10 to=60 level=1\nswift\n", "excite vpp=1 wall=VALUE", 0.1,
         std::nextafter(0.1, down)},
        {profile + "notch from=10 to=60 level=1\nswift\n", "excite vpp=1 trap=VALUE", 0, -5e-324},
    };
    for (const Limit& l : limits) {
        const std::string accepted = l.before + With(l.step, l.accepted);
        EXPECT_EQ(Outcome(accepted), "") << accepted;
        const std::string refused = l.before + With(l.step, l.refused);
        EXPECT_NE(Outcome(refused), "") << refused;
    }
}

// A stored waveform of 2^26 samples, the most a Set/Reset makes, reads back
// whole; a header announcing one sample more is refused before its codes are
// read.
TEST(Limits, TheLongestStoredWaveformReadsBack) {
    testing::TestDir dir;
    const auto write = [&](const std::string& name, std::size_t samples) {
        std::ofstream out(dir / name, std::ios::binary);
        out << SwfHeader(static_cast<int>(std::min<std::size_t>(samples, kMaxSamples)), 1250.0);
        const std::string zeros(std::size_t{1} << 20, '\0');
        for (std::size_t left = 2 * samples; left > 0; left -= std::min(left, zeros.size()))
            out.write(zeros.data(), static_cast<std::streamsize>(std::min(left, zeros.size())));
        return (dir / name).string();
    };
    const SwfWaveform longest = ReadSwfFile(write("longest.swf", kMaxSamples));
    EXPECT_EQ(longest.codes.size(), static_cast<std::size_t>(kMaxSamples));
    EXPECT_EQ(longest.datapts, kMaxSamples);

    const std::string longer = (dir / "longer.swf").string();
    std::ofstream(longer, std::ios::binary) << "TAVIK SWIFT File\n\nData Points:" << kMaxSamples + 1
                                            << "\nBandwidth:1250000.0\nData:\n";
    try {
        ReadSwfFile(longer);
        ADD_FAILURE() << "a waveform of 2^26 + 1 samples was read";
    } catch (const Refusal& r) {
        EXPECT_NE(std::string(r.what()).find(std::to_string(kMaxSamples)), std::string::npos)
            << r.what();
    }
}

}  // namespace
}  // namespace pelorin
