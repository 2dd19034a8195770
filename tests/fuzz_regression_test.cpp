// Replays every input kept in tests/fuzz/ (the fuzzers' seeds and the inputs
// that once made them fail) through the fuzz targets, so that a fault found by
// fuzzing stays mended.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/fuzz_targets.h"
#include "tests/support/test_dir.h"

namespace pelorin::fuzz {
namespace {

namespace fs = std::filesystem;

void Replay(const std::string& folder, int (*target)(const std::uint8_t*, std::size_t)) {
    const fs::path dir = fs::path(PELORIN_TEST_DATA_DIR) / ".." / "fuzz" / folder;
    int inputs = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = testing::ReadFile(entry.path());
        EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << dir;
}

TEST(FuzzRegression, Recipes) {
    Replay("recipe", Recipe);
}
TEST(FuzzRegression, DatFiles) {
    Replay("dat", DatFile);
}
TEST(FuzzRegression, PeakLists) {
    Replay("pks", PeakList);
}
TEST(FuzzRegression, PanelResources) {
    Replay("uir", PanelResource);
}
TEST(FuzzRegression, SwfFiles) {
    Replay("swf", SwfFile);
}
TEST(FuzzRegression, FileReaders) {
    Replay("files", FileReaders);
}

}  // namespace
}  // namespace pelorin::fuzz
