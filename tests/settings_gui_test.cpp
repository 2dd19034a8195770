// What the window remembers between runs, and what it does when the settings
// file is not what it should be: a pipe or a link to a device is left alone
// (neither waited on nor replaced), remembered values the entries cannot
// hold fall back to the defaults, the recent designs keep any file name, and
// a settings file that cannot be written is said once.
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/workspace/calibration.h"
#include "gui/platform/ui.h"
#include "tests/support/gui_test.h"
#include "tests/support/test_dir.h"

namespace pelorin::testing {
namespace {

namespace fs = std::filesystem;
namespace menu = ids::Main;

class Settings : public GuiTest {
protected:
    void TearDown() override {
        // The next test finds a settings file it can use.
        std::error_code ignored;
        fs::remove(file, ignored);
        fs::remove_all(file.parent_path(), ignored);
        fs::create_directories(file.parent_path(), ignored);
        GuiTest::TearDown();
    }
    void Restart() {
        ui::ResetPlatform();
        ResetSession();
        RegisterCallbacks();
        StartUp(0.0);
    }
    std::string Status() { return ui::StatusMessage(screen().GraphHandle); }
    double Entry(int control) { return ui::GetCtrlVal(screen().SetResetHandle, control); }

    const fs::path file = ui::SettingsFile();
    TestDir dir;
};

// A pipe in the settings file's place would block the start, a link to a
// device would be replaced by the first write: both are left as they are,
// the start says so, and the session runs on its defaults.
TEST_F(Settings, AHostileSettingsFileIsLeftAlone) {
    ASSERT_EQ(file, fs::path(QSettings().fileName().toStdString()));
    fs::create_directories(file.parent_path());
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    Restart();  // returns: the pipe is not opened
    EXPECT_NE(Status().find("is no regular file"), std::string::npos) << Status();
    ApplySetReset(4096, 500.0);  // remembered, were the file usable
    EXPECT_TRUE(fs::is_fifo(file));
    EXPECT_EQ(ui::ReadSetting("setreset/samples"), std::nullopt);

    if (!dir.MakeDeviceLike("null", "/dev/null"))
        GTEST_SKIP() << "making a device node needs root";
    fs::remove(file);
    fs::create_symlink(dir / "null", file);
    Restart();
    EXPECT_NE(Status().find("is no regular file"), std::string::npos) << Status();
    ApplySetReset(4096, 500.0);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_TRUE(fs::is_character_file(dir / "null"));
}

// Remembered entries the panel cannot hold fall back to its defaults, not to
// the nearest value it can; the limits themselves are taken.
TEST_F(Settings, RememberedValuesOutOfRangeFallBackToTheDefaults) {
    namespace id = ids::SetReset;
    const double samples = Entry(id::kTekSamples), bandwidth = Entry(id::kTekBandwidth);
    const auto restored = [&](const std::string& s, const std::string& b) {
        ui::WriteSetting("setreset/layout", "tek");
        ui::WriteSetting("setreset/samples", s);
        ui::WriteSetting("setreset/bandwidth", b);
        Restart();
        return std::pair{Entry(id::kTekSamples), Entry(id::kTekBandwidth)};
    };
    EXPECT_EQ(restored("-65536", "-1"), std::pair(samples, bandwidth));
    EXPECT_EQ(restored("1e300", "nan"), std::pair(samples, bandwidth));
    EXPECT_EQ(restored("4096 and more", "500x"), std::pair(samples, bandwidth));
    EXPECT_EQ(restored("67108864", "12500"), std::pair(67108864.0, 12500.0));
    EXPECT_EQ(restored("67108865", "12500.001"), std::pair(samples, bandwidth));
    EXPECT_EQ(restored("2", "0.001"), std::pair(2.0, 0.001));
    EXPECT_EQ(restored("1", "0.0009"), std::pair(samples, bandwidth));
}

// A remembered calibration is checked as a typed one: A at its limits is
// taken, the next value out and a subnormal one leave the 7 T default.
TEST_F(Settings, ARememberedCalibrationOutOfRangeLeavesTheDefault) {
    const double standard = Calibration{}.Acoeff;
    const auto restored = [&](double a) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", a);
        ui::WriteSetting("calibration/a", text);
        ui::WriteSetting("calibration/b", "0");
        Restart();
        return ws().calibration.Acoeff;
    };
    EXPECT_EQ(restored(kLargestA), kLargestA);
    EXPECT_EQ(restored(std::nextafter(kLargestA, 1e300)), standard);
    EXPECT_EQ(restored(kLeastA), kLeastA);
    EXPECT_EQ(restored(std::nextafter(kLeastA, 0.0)), standard);
    EXPECT_EQ(restored(4.9e-324), standard);
}

// Designs named with a line feed or in another encoding than UTF-8 are one
// entry each and open again; a list grown long by hand shows eight.
TEST_F(Settings, RecentDesignsKeepEveryFileName) {
    ApplySetReset(64, 100.0);
    Notch(10.0, 20.0, 1.0);
    const std::vector<std::string> names = {"two\nlines.recipe", "latin\xe9.recipe"};
    for (const std::string& name : names) {
        popups->files.push_back({ui::VAL_NEW_FILE_SELECTED, (dir / name).string()});
        ui::ChooseMenuItem(bar(), menu::kMenuSaveDesign);
        ASSERT_TRUE(fs::exists(dir / name)) << LastMessage();
    }
    Restart();
    const auto shown = ui::MenuItemChoices(bar(), menu::kMenuRecentDesigns);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[1].find("two\\x0alines.recipe"), std::string::npos) << shown[1];
    for (int choice : {0, 1}) {
        ApplySetReset(128, 100.0);  // another profile, replaced by the one opened
        popups->messages.clear();
        ui::ChooseMenuItemChoice(bar(), menu::kMenuRecentDesigns, choice);
        EXPECT_TRUE(popups->messages.empty()) << LastMessage();
        EXPECT_EQ(ws().Magnitude.size(), 32u) << choice;
    }

    std::vector<std::string> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back((dir / ("d" + std::to_string(i) + ".recipe")).string());
    ui::WriteSettingList("designs/recent", many);
    Restart();
    EXPECT_EQ(ui::MenuItemChoices(bar(), menu::kMenuRecentDesigns).size(), 8u);
}

// Settings that cannot be written (here a plain file where their folder
// should be, which stops root as well) are said once, and the window goes on.
TEST_F(Settings, UnwritableSettingsAreSaidOnce) {
    fs::remove_all(file.parent_path());
    std::ofstream(file.parent_path()) << "not a folder";
    Restart();
    ApplySetReset(4096, 500.0);
    EXPECT_NE(Status().find("cannot be written"), std::string::npos) << Status();
    ui::ShowStatusMessage(screen().GraphHandle, "");
    ApplySetReset(8192, 500.0);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(ws().Magnitude.size(), 4096u);
}

}  // namespace
}  // namespace pelorin::testing
