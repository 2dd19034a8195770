// What the command-line tests share: running the front end in-process on a
// recipe in a folder whose name needs quotes, and reading its CSV files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "tests/support/test_dir.h"

namespace pelorin::cli {

// The two columns of a CSV file written by the steps, header skipped.
inline std::vector<std::pair<double, double>> ReadCsv(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string line;
    std::getline(in, line);
    std::vector<std::pair<double, double>> rows;
    while (std::getline(in, line)) {
        char* end = nullptr;
        const double a = std::strtod(line.c_str(), &end);
        rows.emplace_back(a, std::strtod(end + 1, nullptr));
    }
    return rows;
}

struct Result {
    int status;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    Result Cli(const std::vector<std::string>& args, const std::string& input = "") {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int status = RunCli(args, in, out, err, false);
        return {status, out.str(), err.str()};
    }
    // Runs text as the recipe file "r.recipe"; its name prefixes messages.
    Result Recipe(const std::string& text) {
        std::ofstream(dir / "r.recipe") << text;
        return Cli({(dir / "r.recipe").string()});
    }
    std::string Path(const std::string& name) { return "\"" + (dir / name).string() + "\""; }
    std::string Prefix() { return "pelorin-cli: " + (dir / "r.recipe").string() + ":"; }

    // A blank in the folder name makes every path entry need its quotes.
    testing::TestDir dir{"pelorin cli "};
};

}  // namespace pelorin::cli
