// The bytes of single-precision samples as .dat files store them.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace pelorin::testing {

// Little-endian bytes of each value.
inline std::string FloatBytes(const std::vector<float>& values) {
    std::string out;
    for (float f : values) {
        const auto u = std::bit_cast<std::uint32_t>(f);
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<char>((u >> shift) & 0xFF));
    }
    return out;
}

}  // namespace pelorin::testing
