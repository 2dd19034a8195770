// The files the program writes must not change when its synthesis is made
// faster: every design of the set is pinned by a fingerprint of its .swf
// bytes (tests/data/design-fingerprints.txt), taken from the synthesis as it first shipped (a
// complex inverse FFT over split arrays). The benchmark checks larger designs the same way.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/designs.h"

namespace pelorin::testing {
namespace {

struct Pinned {
    std::uint64_t fingerprint;
    std::string name;
};

// The pinned fingerprints, in the order of DesignSet().
std::vector<Pinned> PinnedDesigns() {
    std::ifstream in(PELORIN_TEST_DATA_DIR "/design-fingerprints.txt");
    std::vector<Pinned> pinned;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Pinned p;
        fields >> std::hex >> p.fingerprint >> p.name;
        pinned.push_back(p);
    }
    return pinned;
}

TEST(DesignIdentity, EveryDesignWritesThePinnedBytes) {
    const std::vector<Design> designs = DesignSet();
    const std::vector<Pinned> pinned = PinnedDesigns();
    ASSERT_EQ(designs.size(), pinned.size());
    int differing = 0;
    for (std::size_t i = 0; i < designs.size(); ++i) {
        ASSERT_EQ(designs[i].name, pinned[i].name);
        const std::uint64_t got = Fingerprint(DesignBytes(designs[i]));
        if (got != pinned[i].fingerprint) {
            ++differing;
            ADD_FAILURE() << designs[i].name << " writes other bytes";
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace pelorin::testing
