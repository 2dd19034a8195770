#include "fuzz/fuzz_targets.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "core/display/figures.h"
#include "core/edit/freqlist.h"
#include "core/files/datfile.h"
#include "core/files/swf.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "core/uir/uir.h"

namespace pelorin::fuzz {

namespace {

std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A step that writes or reads a file, or a profile too large to be quick, is
// checked but not run: the fuzzer must neither touch the disk nor spend its
// time in one synthesis.
bool Runnable(const recipe::Step& step) {
    for (const char* key : {"file", "check", "waveform", "batch", "read", "profile", "out"})
        if (step.Find(key))
            return false;
    if (step.name == "store" || step.name == "import" || step.name == "export")
        return false;
    // An optimisation of many iterations would take the fuzzer's time.
    if (const std::string* iterations = step.Find("iterations");
        iterations && iterations->size() > 3)
        return false;
    if (const std::string* samples = step.Find("samples"))
        return samples->size() <= 4 &&
               samples->find_first_not_of("0123456789") == std::string::npos;
    return true;
}

}  // namespace

int Recipe(const std::uint8_t* data, std::size_t size) {
    std::istringstream in{std::string(Text(data, size))};
    std::vector<recipe::Step> steps;
    try {
        steps = recipe::ReadRecipe(in);
    } catch (const recipe::RecipeError&) {
        return 0;
    }
    std::ostringstream out;
    recipe::Runner runner(out);
    for (const recipe::Step& step : steps) {
        try {
            recipe::CheckStep(step);
            if (Runnable(step))
                runner.Run(step);
        } catch (const Refusal&) {
        }
    }
    return 0;
}

int DatFile(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the AWG, 0, 1 or 2.
    std::istringstream in{std::string(Text(data + 1, size - 1))};
    try {
        ReadDat(in, "fuzz.dat", data[0] % 3);
    } catch (const Refusal&) {
    }
    return 0;
}

int PeakList(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(Text(data, size)));
    try {
        std::vector<float> list;
        MergePeakList(list, ReadPeakList(in));
    } catch (const Refusal&) {
    }
    return 0;
}

int PanelResource(const std::uint8_t* data, std::size_t size) {
    try {
        uir::ParseUir(Text(data, size));
    } catch (const uir::UirError&) {
    }
    return 0;
}

int SwfFile(const std::uint8_t* data, std::size_t size) {
    try {
        const SwfWaveform w = ParseSwf(Text(data, size), "fuzz.swf");
        // A waveform read is one the figures take, whatever its header says.
        if (w.codes.size() <= 4096)
            FiguresOfCodes(w.codes, w.bandwidth);
    } catch (const Refusal&) {
    }
    return 0;
}

}  // namespace pelorin::fuzz
