// The command-line front end: recipe parsing, refusals with their line,
// sources and encodings, hostile input and the built program's exit status.
#include "cli/cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/recipe/entries.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "core/synth/hadamard.h"
#include "core/workspace/operations.h"
#include "core/workspace/setreset.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/test_dir.h"

namespace pelorin::cli {
namespace {

using namespace recipe;

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TestDir;

TEST(RecipeParser, StepsEntriesQuotesAndComments) {
    // A value holding a blank or a '#' is written in quotes and reads back.
    const Step hash{"store", {{"file", "a#b.swf"}, {"note", "two words"}}, 0};
    EXPECT_EQ(FormatStep(hash), "store file=\"a#b.swf\" note=\"two words\"");
    const auto back = ParseRecipeLine(FormatStep(hash), 1);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back->Find("file"), "a#b.swf");
    EXPECT_EQ(*back->Find("note"), "two words");
    const auto steps = ParseRecipe(
        "# a comment\n\n  reset samples=8 bandwidth=10 # trailing\r\n"
        "store file=\"a b#c.swf\"\tx=\"\"\nshow\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].name, "reset");
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(*steps[0].Find("bandwidth"), "10");
    EXPECT_EQ(*steps[1].Find("file"), "a b#c.swf");
    EXPECT_EQ(*steps[1].Find("x"), "");
    EXPECT_EQ(steps[2].line, 5);
    EXPECT_TRUE(steps[2].entries.empty());
    // A key may repeat (isolate takes a list of m/z); the step refuses it where not.
    EXPECT_EQ(ParseRecipe("x k=1 k=2")[0].All("k"), (std::vector<std::string>{"1", "2"}));

    for (const auto& [text, line] : {std::pair{"show\nnotch level\n", 2},
                                     {"a=1\n", 1},
                                     {"\nnotch =1\n", 2},
                                     {"\n\nstore file=\"open\n", 3}}) {
        try {
            ParseRecipe(text);
            ADD_FAILURE() << text;
        } catch (const RecipeError& e) {
            EXPECT_EQ(e.line(), line) << text << ": " << e.what();
        }
    }
}

TEST_F(CliTest, RefusalsNameTheLineAndStopTheRun) {
    const std::string ok = "reset samples=64 bandwidth=100\nnotch from=10 to=20 level=1\n";
    const std::string store = "swift\nstore file=" + Path("early.swf") + "\n";
    const std::pair<std::string, std::string> cases[] = {
        {ok + "noch level=1", "3: unknown step \"noch\""},
        {ok + "notch from=1 to=2 lvl=1", "3: notch has no entry \"lvl\""},
        {ok + "notch from=1 to=2 from=3 level=1", "3: notch: from= is given twice"},
        {ok + "notch from=1 to-mz=2000 level=1", "3: notch: give the window in kHz"},
        {ok + "notch from-mz=-5 to-mz=2000 level=1", "3: notch: An m/z must be a positive"},
        {ok + "freq add=5 add-mz=2000", "3: freq: give exactly one of"},
        {ok + "cursors c1=5 c1-mz=2000 c2=6", "3: cursors: give c1= (kHz) or c1-mz="},
        {ok + "cursors c1-mz=500 c2=6", "3: cursors: c1-mz=500 is 214.98564568"},
        {ok + "isolate mz=500 width=1", "3: isolate: m/z 500 lies outside the default m/z range"},
        {ok + "isolate mz=1100 width=1", "3: isolate: The window of m/z 1100 ± 0.5 is 88.8 Hz"},
        {ok + "calibrate a=99999.99", "3: calibrate: The A coefficient must lie from 100000"},
        {ok + "calibrate peak=500", "3: calibrate: peak=500 is not understood"},
        {ok + "calibrate peak=500@200 a=1e8", "3: calibrate: give the calibrants (peak=)"},
        {ok + "isolate mz=2000 width=1 from-mz=1500", "3: isolate: give from-mz= and to-mz="},
        {"calibrate a=0", "1: calibrate: "},
        {"calibrate tesla=7 a=1e8", "1: calibrate: give exactly one of a= (Hz) and tesla="},
        {ok + "notch from=1 to=2", "3: notch: needs level="},
        {"reset samples=abc bandwidth=1", "1: samples=abc is not a whole number"},
        {ok + "smooth width=3.0", "3: width=3.0 is not a whole number"},
        {ok + "notch from=1 to=x2 level=1", "3: to=x2 is not a number"},
        {ok + "notch from=+-100 to=2 level=1", "3: from=+-100 is not a number"},
        {ok + "notch from=1 to=2 level=nan", "3: level=nan is not a number"},
        {"reset layout=tektronix samples=64 bandwidth=1", "1: reset: layout=tektronix is not"},
        {"notch from=1 to=2 level=1", "1: notch: There is no profile yet"},
        {ok + store + "notch from=1 to=2 level=1", "5: notch: The profile has been synthesised"},
        {"reset samples=1 bandwidth=100", "1: reset: samples=1 lies outside 2 .. 67108864"},
        {"reset layout=tek samples=64 bandwidth=20000", "1: reset: bandwidth=20000 lies outside"},
        {ok + "smooth width=4", "3: smooth: "},
        {ok + "swim law=9 nodes=2 base=0 peak=1 from=1 to=2", "3: swim: law=9 is not one of 1"},
        {ok + "swift factor=65", "3: swift: factor=65 lies outside -64 .. 64"},
        {ok + "swift iterations=5", "3: swift: iterations= belongs to phase=optimised"},
        {ok + "swift phase=best", "3: swift: phase=best is not understood"},
        {ok + "swift phase=optimised iterations=100001", "3: swift: iterations=100001 lies"},
        {ok + "swim law=1 nodes=2 base=0 peak=1 from=1 to=2 phase=optimised",
         "3: swim: smooth=, phase= and iterations= belong to a series"},
        {ok + "freq add=5 delete=0", "3: freq: give exactly one of"},
        {ok + "freq delete=0", "3: freq: delete=0: the list holds 0"},
        {ok + "hadamard width=100 row=1", "3: hadamard: The frequency list is empty"},
        {ok + "freq add=500\nhadamard width=100 row=1", "4: hadamard: Frequency out of"},
        {ok + "freq add=50\nhadamard width=100 row=2", "4: hadamard: The row must lie"},
        {ok + "store file=x.swf", "3: store: There is no waveform"},
        {ok + "import file=" + Path("none.dat") + " awg=1", "3: import: "},
        {ok + "import file=x.dat awg=3", "3: import: awg=3: choose 1"},
    };
    for (const auto& [text, message] : cases) {
        const Result r = Recipe(text);
        EXPECT_EQ(r.status, 2) << text;
        EXPECT_EQ(r.err.rfind(Prefix() + message, 0), 0u) << text << "\n" << r.err;
    }
    // A run-time refusal keeps the files written before it; a misspelt step
    // further down stops the run before anything is written.
    EXPECT_TRUE(fs::exists(dir / "early.swf"));
    fs::remove(dir / "early.swf");
    EXPECT_EQ(Recipe(ok + store + "bogus").status, 2);
    EXPECT_FALSE(fs::exists(dir / "early.swf"));
}

TEST_F(CliTest, SourcesUsageAndHelp) {
    Result r = Cli({"-e", "reset samples=64 bandwidth=100", "-e", "notch from=1 level=1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "pelorin-cli: -e:2: notch: needs to=\n");
    r = Cli({"-e", "show", "-e", "notch \"x"});
    EXPECT_EQ(r.err.rfind("pelorin-cli: -e:2: a double quote", 0), 0u) << r.err;
    r = Cli({"-"}, "# header\nreset samples=64 bandwidth=100\nsmooth width=2\n");
    EXPECT_EQ(r.err.rfind("pelorin-cli: stdin:3: smooth: ", 0), 0u) << r.err;

    for (const auto& args :
         std::vector<std::vector<std::string>>{{},
                                               {(dir / "missing.recipe").string()},
                                               {dir.string()},
                                               {"-e"},
                                               {"-x"},
                                               {"-e", "show", "extra"},
                                               {"a.recipe", "b.recipe"}}) {
        r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << r.err;
    }
    r = Cli({"--version"});
    EXPECT_EQ(r.out, std::string("pelorin-cli ") + PELORIN_VERSION + "\n");
    r = Cli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const StepDef& d : Steps())
        EXPECT_NE(r.out.find("\n  " + std::string(d.name)), std::string::npos) << d.name;
}

TEST_F(CliTest, ShowAndTheTektronixSnap) {
    const Result r = Recipe(
        "reset layout=tek samples=2048 bandwidth=1000\nfreq add=300\nfreq add=+100.5\n"
        "freq add=300\ncursors c1=400 c2=100\nshow\nreset layout=ni samples=10 bandwidth=1000\n"
        "freq delete=1\ncalibrate a=2e8 b=1e9\nshow\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "datapts: 1024\nbandwidth: 1041.6666666666665 kHz\nprofile points: 1024\nwaveform "
              "samples: 0\n"
              "frequencies (kHz): 100.5 300\ncursors (kHz): 400 100\nphase: editable\n"
              "calibration: a=107492822.8401634 Hz b=0 Hz^2\nlowmass: 103.1931099\n"
              "highmass: 10319.31099\nmass_range_khz: 10.416666666666666 1041.6666666666665\n"
              "datapts: 5\nbandwidth: 1000 kHz\nprofile points: 5\nwaveform samples: 0\n"
              "frequencies (kHz): 100.5\ncursors (kHz): 400 100\nphase: editable\n"
              "calibration: a=2e+08 Hz b=1e+09 Hz^2\nlowmass: 200.001\n"
              "highmass: 20010\nmass_range_khz: 10 1000\n");
}

// Recipes as editors save them: a UTF-8 byte-order mark and CRLF line ends
// change nothing; UTF-16 and NUL bytes are refused in one readable line.
TEST_F(CliTest, RecipeEncodings) {
    const std::string steps[] = {"reset samples=64 bandwidth=100", "notch from=10 to=20 level=1",
                                 "swift", "store file=" + Path("plain.swf")};
    std::string plain, windows = "\xEF\xBB\xBF";
    for (const std::string& step : steps) {
        plain += step + "\n";
        windows += step + "\r\n";
    }
    ASSERT_EQ(Recipe(plain).status, 0);
    const std::string expected = ReadFile(dir / "plain.swf");
    fs::remove(dir / "plain.swf");
    const Result r = Recipe(windows);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "plain.swf"), expected);

    const Result nul =
        Recipe("reset layout=ni\nreset samples=4096" + std::string(1, '\0') + "x bandwidth=1\n");
    EXPECT_EQ(nul.err, Prefix() + "2: holds a NUL byte; recipes are UTF-8 text\n");
    const Result utf16 = Recipe(std::string("\xFF\xFEr\0e\0", 6));
    EXPECT_EQ(utf16.status, 2);
    EXPECT_NE(utf16.err.find(":1: is UTF-16 text"), std::string::npos) << utf16.err;
}

// Outside input that is no file, or too much of one: devices and pipes are
// refused at once, long lines are cut, control characters never reach the
// terminal, and /dev/null takes an output as the discard it is.
TEST_F(CliTest, InputsThatAreNoFilesAndHostileText) {
    const std::string ok = "reset samples=64 bandwidth=100\n";
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> refused[] = {
        {"freq read=/dev/zero", "3: freq: Cannot read the peak list \"/dev/zero\": it is a device"},
        {"freq read=" + Path("fifo"), "it is a device or a pipe"},
        {"import file=/dev/zero awg=1", "3: import: Cannot read the data file \"/dev/zero\""},
        {"import file=/dev/urandom awg=0", "it is a device or a pipe"},
    };
    for (const auto& [step, message] : refused) {
        const Result r = Recipe(ok + "notch from=10 to=20 level=1\n" + step);
        EXPECT_EQ(r.status, 2) << step;
        EXPECT_NE(r.err.find(message), std::string::npos) << step << "\n" << r.err;
    }
    for (const std::string& recipe : {std::string("/dev/zero"), (dir / "fifo").string()}) {
        const Result r = Cli({recipe});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("it is a device or a pipe"), std::string::npos) << r.err;
    }
    const Result longline = Recipe(ok + "# " + std::string(70000, 'x') + "\n");
    EXPECT_EQ(longline.err, Prefix() + "2: is longer than 65536 bytes; is this a recipe?\n");

    // An escape sequence would retitle the terminal; a long value would fill it.
    const Result escape = Recipe("reset samples=\x1b]0;owned\x07 bandwidth=1\n");
    EXPECT_EQ(escape.err.find('\x1b'), std::string::npos);
    EXPECT_NE(escape.err.find("samples=\\x1b]0;owned\\x07 is not"), std::string::npos)
        << escape.err;
    const Result huge = Recipe("reset samples=" + std::string(60000, '7') + "\v\f bandwidth=1\n");
    EXPECT_LT(huge.err.size(), 400u) << huge.err.size();
    EXPECT_NE(huge.err.find("…"), std::string::npos);

    // Writes go to device nodes of the test's own, never the system's.
    if (!dir.MakeDeviceLike("zero", "/dev/zero") || !dir.MakeDeviceLike("null", "/dev/null"))
        GTEST_SKIP() << "making device nodes needs root";
    const Result device =
        Recipe(ok + "notch from=10 to=20 level=1\nswift\nstore file=" + Path("zero") + "\n");
    EXPECT_EQ(device.status, 2);
    EXPECT_NE(device.err.find("4: store: Cannot write the file \"" + (dir / "zero").string() +
                              "\": it is a device or a pipe, and outputs must be regular files"),
              std::string::npos)
        << device.err;
    const Result discard = Recipe(ok + "notch from=10 to=20 level=1\nswift check=" + Path("null") +
                                  "\nstore file=" + Path("null") + "\n");
    EXPECT_EQ(discard.status, 0) << discard.err;
    struct stat st {};
    for (const char* node : {"zero", "null"})
        EXPECT_TRUE(::stat((dir / node).c_str(), &st) == 0 && S_ISCHR(st.st_mode)) << node;
}

// The built program returns the statuses RunCli returns.
TEST_F(CliTest, ProgramExitStatus) {
    const std::string cli = std::string("\"") + PELORIN_CLI + "\"";
    const std::string log = (dir / "log.txt").string();
    const auto status = [&log](const std::string& command) {
        const int raw = std::system((command + " >'" + log + "' 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status(cli + " --help"), 0);
    EXPECT_EQ(status(cli), 2);
    EXPECT_EQ(status(cli + " -e 'notch from=1 to=2 level=1'"), 2);
    EXPECT_EQ(status("echo 'reset samples=64 bandwidth=100' | " + cli + " -"), 0);
    // What it prints must arrive: a full disk or a closed standard output is
    // a failure, said on standard error.
    const std::string show = cli + " -e 'reset samples=64 bandwidth=100' -e show";
    const std::string err = (dir / "err.txt").string();
    // A full disk: a node of the test's own standing for /dev/full.
    std::vector<std::pair<std::string, std::string>> outputs = {{" >&-", "Bad file descriptor"}};
    if (dir.MakeDeviceLike("full", "/dev/full"))
        outputs.push_back({" >'" + (dir / "full").string() + "'", "No space left on device"});
    for (const auto& [output, reason] : outputs) {
        const int raw = std::system((show + output + " 2>'" + err + "'").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << output;
        EXPECT_NE(ReadFile(err).find("cannot write to standard output: " + reason),
                  std::string::npos)
            << output << ": " << ReadFile(err);
    }

    // A file that fails while it is read (where /proc/self/mem shows one):
    // status 2 and the system's reason, not an abort.
    if (std::filesystem::exists("/proc/self/mem")) {
        const int raw = std::system((cli + " /proc/self/mem 2>'" + err + "'").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << raw;
        EXPECT_NE(ReadFile(err).find("Cannot read the recipe \"/proc/self/mem\": Input/output "
                                     "error."),
                  std::string::npos)
            << ReadFile(err);
    }
    // Standard input that fails while it is read (a folder here) is refused,
    // not taken as a recipe that ends there.
    const int folder = std::system((cli + " - <'" + dir.string() + "' 2>'" + err + "'").c_str());
    EXPECT_TRUE(WIFEXITED(folder) && WEXITSTATUS(folder) == 2) << folder;
    EXPECT_NE(ReadFile(err).find("Cannot read the recipe from standard input: Is a directory."),
              std::string::npos)
        << ReadFile(err);
    // After --, a recipe may be named like an option.
    std::ofstream(dir / "-e") << "reset samples=64 bandwidth=100\n";
    EXPECT_EQ(status("cd '" + dir.string() + "' && " + cli + " -- -e"), 0) << ReadFile(log);
    EXPECT_EQ(status(cli + " -- -e x"), 2);
    EXPECT_EQ(status(cli + " --"), 2);
}

}  // namespace
}  // namespace pelorin::cli
