// A set of designs that covers what the program synthesises: sizes from 16
// to 16384 samples (powers of two and others), every phase factor from -3 to
// +3, and profiles made the ways an operator makes them (bands, notches,
// smoothing, each SWIM law, Hadamard rows, and random levels).
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/files/swf.h"
#include "core/synth/hadamard.h"
#include "core/synth/swift.h"
#include "core/synth/swim.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"

namespace pelorin::testing {

struct Design {
    std::string name;
    int samples;
    double bandwidth;
    int factor;
    std::function<void(Workspace&)> shape;  // shapes the profile after Set/Reset
};

inline std::vector<Design> DesignSet() {
    const auto window = [](double from, double to, double level) {
        return [=](Workspace& ws) {
            ws.cursor1 = from * ws.bandwidth;
            ws.cursor2 = to * ws.bandwidth;
            ApplyNotch(ws, level);
        };
    };
    struct Shape {
        std::string name;
        std::function<void(Workspace&)> shape;
    };
    std::vector<Shape> shapes = {
        {"band", window(0.2, 0.4, 1.0)},
        {"notched",
         [=](Workspace& ws) {
             window(0.1, 0.9, 1.0)(ws);
             window(0.45, 0.5, 0.0)(ws);
         }},
        {"smoothed",
         [=](Workspace& ws) {
             window(0.3, 0.6, 2.5)(ws);
             if (ws.Magnitude.size() >= 5)
                 ApplySmoothing(ws, 5);
         }},
        {"hadamard",
         [](Workspace& ws) {
             const std::vector<float> list = {
                 static_cast<float>(0.15 * ws.bandwidth), static_cast<float>(0.3 * ws.bandwidth),
                 static_cast<float>(0.55 * ws.bandwidth), static_cast<float>(0.8 * ws.bandwidth)};
             ws.frequencies = list;
             PrepareHadamard(ws, 40.0 * ws.bandwidth);
             ApplyHadamardRow(ws, 3);
         }},
        {"random",
         [](Workspace& ws) {
             std::mt19937 gen(static_cast<unsigned>(ws.Magnitude.size()));
             std::uniform_real_distribution<double> level(0.0, 1.0);
             for (double& m : ws.Magnitude)
                 m = level(gen);
         }},
    };
    for (int law = 1; law <= 5; ++law)
        shapes.push_back({"swim" + std::to_string(law), [law](Workspace& ws) {
                              ws.cursor1 = 0.1 * ws.bandwidth;
                              ws.cursor2 = 0.7 * ws.bandwidth;
                              ApplySwim(ws, 0.1, 1.0, 3, law);
                          }});
    std::vector<Design> designs;
    for (int samples : {16, 64, 256, 1000, 1024, 4096, 6000, 16384})
        for (int factor = -3; factor <= 3; ++factor)
            for (const Shape& s : shapes)
                designs.push_back(
                    {s.name + "/" + std::to_string(samples) + "/" + std::to_string(factor), samples,
                     1250.0, factor, s.shape});
    return designs;
}

// The bytes of the .swf file the design makes, as the writer lays them out.
inline std::string DesignBytes(const Design& d) {
    Workspace ws;
    SetReset(ws, d.samples, d.bandwidth);
    d.shape(ws);
    ProcessSwift(ws, d.factor);
    std::string bytes = SwfHeader(static_cast<int>(ws.Swift.size()), ws.bandwidth);
    for (double s : ws.Swift) {
        const std::uint16_t code = SampleCode(s);
        bytes.push_back(static_cast<char>(code & 0xFF));
        bytes.push_back(static_cast<char>(code >> 8));
    }
    return bytes;
}

// FNV-1a, 64 bits: a short, fixed fingerprint of a file's bytes.
inline std::uint64_t Fingerprint(const std::string& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace pelorin::testing
