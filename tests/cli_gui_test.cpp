// The two front ends side by side: the typical request through the panels and
// as a recipe writes the same bytes, and a refusal reads the same in both.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;

class BothFrontEnds : public GuiTest {
protected:
    int Cli(const std::string& recipe, std::string& err) {
        std::ofstream(dir / "typical.recipe") << recipe;
        std::istringstream in;
        std::ostringstream out, errors;
        const int status = cli::RunCli({(dir / "typical.recipe").string()}, in, out, errors, false);
        err = errors.str();
        return status;
    }
    TestDir dir;
};

TEST_F(BothFrontEnds, TypicalRequestWritesTheSameBytes) {
    // 1000 kHz is snapped to 12500/12 kHz by the Tektronix entry in both.
    ApplySetReset(4096, 1000.0);
    Notch(200.0, 433.3, 1.0);
    Synthesise(1, 1, -1);
    popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / "gui.swf").string()});
    ui::ChooseMenuItem(bar(), ids::Main::kMenuStore);
    ASSERT_TRUE(popups->messages.empty()) << LastMessage();

    std::string err;
    ASSERT_EQ(Cli("reset layout=tek samples=4096 bandwidth=1000\n"
                  "notch from=200 to=433.3 level=1\n"
                  "swift factor=-1\n"
                  "store file=\"" +
                      (dir / "cli.swf").string() +
                      "\"\n"
                      "# the typical request, as the panels make it\n",
                  err),
              0)
        << err;
    const std::string gui = ReadFile(dir / "gui.swf");
    ASSERT_EQ(gui.size(), std::string("TAVIK SWIFT File\n\nData Points:4096\n"
                                      "Bandwidth:1041666.666667\nData:\n")
                                  .size() +
                              2 * 4096);
    EXPECT_EQ(gui, ReadFile(dir / "cli.swf"));
}

TEST_F(BothFrontEnds, ARefusalReadsTheSame) {
    ApplySetReset(1024, 1250.0);
    Notch(100.0, 300.0, 1.0);
    Synthesise(1, 1, -1);
    ui::ChooseMenuItem(bar(), ids::Main::kMenuNotch);  // dimmed after a synthesis
    Spectrum_Callback(bar(), ids::Main::kMenuNotch, screen().GraphHandle);
    const std::string shown = LastMessage();
    ASSERT_FALSE(shown.empty());

    std::string err;
    EXPECT_EQ(Cli("reset samples=1024 bandwidth=1250\nnotch from=100 to=300 level=1\nswift\n"
                  "notch from=1 to=2 level=0\n",
                  err),
              2);
    EXPECT_EQ(err,
              "pelorin-cli: " + (dir / "typical.recipe").string() + ":4: notch: " + shown + "\n");
}

}  // namespace
}  // namespace pelorin::testing
