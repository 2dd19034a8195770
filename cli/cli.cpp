#include "cli/cli.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>
#include <system_error>

#include "core/files/input_file.h"
#include "core/recipe/manual.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"

namespace pelorin::cli {

using namespace recipe;

namespace {

constexpr int kRefused = 2;

// Where the steps came from: a file, standard input, or -e arguments.
struct Source {
    std::string name;
    std::vector<Step> steps;
};

int Usage(std::ostream& err, const std::string& problem) {
    err << "pelorin-cli: " << Printable(problem) << "\nUsage: pelorin-cli RECIPE | pelorin-cli - | "
        << "pelorin-cli -e STEP [-e STEP ...]; pelorin-cli --help lists the steps.\n";
    return kRefused;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, bool progress) {
    if (args.empty())
        return Usage(err, "no recipe given.");
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << HelpText();
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << VersionText("pelorin-cli");
        return 0;
    }
    Source source;
    try {
        if (args[0] == "-e") {
            source.name = "-e";
            for (std::size_t i = 0; i < args.size(); i += 2) {
                if (args[i] != "-e")
                    return Usage(err, "\"" + args[i] + "\" cannot follow -e steps.");
                if (i + 1 == args.size())
                    return Usage(err, "-e needs a step after it.");
                const int index = static_cast<int>(i / 2 + 1);
                try {
                    for (Step& step : ParseRecipe(args[i + 1])) {
                        step.line = index;  // a step given by -e is named by its place
                        source.steps.push_back(std::move(step));
                    }
                } catch (const RecipeError& e) {
                    throw RecipeError(index, e.what());
                }
            }
        } else if (args[0] == "--" && args.size() != 2) {
            return Usage(err, "give one recipe file after --.");
        } else if (args[0] != "--" && args.size() > 1) {
            return Usage(err, "give one recipe file, \"-\", or -e steps.");
        } else if (args[0] == "-") {
            source.name = "stdin";
            try {
                source.steps = ReadRecipe(in);
            } catch (const Refusal& r) {  // standard input failed while it was read
                err << "pelorin-cli: " << Printable(r.what()) << "\n";
                return kRefused;
            }
        } else if (args[0] != "--" && args[0].size() > 1 && args[0][0] == '-') {
            return Usage(err, "unknown option \"" + args[0] + "\".");
        } else {
            // After --, the one argument is a file whatever it looks like.
            const std::string& path = args[0] == "--" ? args[1] : args[0];
            source.name = path;
            std::optional<InputFile> file;
            try {
                file.emplace(path, "recipe");
            } catch (const Refusal& r) {
                return Usage(err, r.what());
            }
            try {
                source.steps = ReadRecipe(file->stream());
            } catch (const Refusal& r) {  // the file failed while it was read
                err << "pelorin-cli: " << Printable(r.what()) << "\n";
                return kRefused;
            }
        }
    } catch (const RecipeError& e) {
        err << "pelorin-cli: " << Printable(source.name) << ":" << e.line() << ": "
            << Printable(e.what()) << "\n";
        return kRefused;
    }

    // Messages quote what the recipe holds: they reach a terminal escaped.
    const auto fail = [&](const Step& step, const std::string& reason) {
        err << "pelorin-cli: " << Printable(source.name) << ":" << step.line << ": "
            << Printable(reason) << "\n";
        return kRefused;
    };
    // A misspelt step further down stops the run before anything is written.
    for (const Step& step : source.steps) {
        try {
            CheckStep(step);
        } catch (const Refusal& r) {
            return fail(step, r.what());
        }
    }
    Runner runner(out);
    StepHooks hooks;
    if (progress)
        hooks.series = [&err](std::uint64_t done, std::uint64_t total) {
            err << "\rmember " << done << " of " << total << (done == total ? "\n" : "")
                << std::flush;
            return true;
        };
    for (const Step& step : source.steps) {
        try {
            runner.Run(step, hooks);
        } catch (const Refusal& r) {
            return fail(step, step.name + ": " + r.what());
        } catch (const std::bad_alloc&) {
            return fail(step, step.name + ": not enough memory");
        } catch (const std::exception& e) {
            return fail(step, step.name + ": " + e.what());
        }
    }
    return 0;
}

}  // namespace pelorin::cli
