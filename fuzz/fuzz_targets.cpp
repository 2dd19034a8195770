#include "fuzz/fuzz_targets.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "core/display/figures.h"
#include "core/edit/freqlist.h"
#include "core/files/datfile.h"
#include "core/files/input_file.h"
#include "core/files/posix_io.h"
#include "core/files/swf.h"
#include "core/recipe/recipe.h"
#include "core/recipe/runner.h"
#include "core/uir/uir.h"

// The system calls behind every file the targets read and write (see
// core/files/posix_io.h), with one fault to inject: reads of a file opened
// under a name that begins with "broken" fail with EIO after the first, so
// that a read failing midway is fuzzed as well as whole files.
namespace pelorin::io {

namespace {
// The descriptor of the file open under a "broken" name, and its reads.
struct Broken {
    int fd = -1;
    int reads = 0;
};
Broken& Fault() {
    static Broken broken;
    return broken;
}
}  // namespace

int Open(const char* path, int flags, mode_t mode) {
    const int fd = ::open(path, flags, mode);
    const char* name = std::strrchr(path, '/');
    if (fd >= 0 && std::strncmp(name ? name + 1 : path, "broken", 6) == 0)
        Fault() = {fd, 0};
    return fd;
}
ssize_t Read(int fd, void* data, std::size_t size) {
    if (fd == Fault().fd && ++Fault().reads > 1) {
        errno = EIO;
        return -1;
    }
    return ::read(fd, data, size);
}
ssize_t Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int Fsync(int fd) {
    return ::fsync(fd);
}
int Close(int fd) {
    if (fd == Fault().fd)
        Fault() = {};
    return ::close(fd);
}
int Rename(const char* from, const char* to) {
    return std::rename(from, to);
}
int Unlink(const char* path) {
    return ::unlink(path);
}
int Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

}  // namespace pelorin::io

namespace pelorin::fuzz {

namespace {

namespace fs = std::filesystem;

std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A folder of the process's own for the steps that read and write files:
// a small file of each kind a step reads (in.swf, in.dat, in.pks, in.recipe),
// and the same kinds under "broken" names, long enough to take several reads,
// whose reads fail midway. Removed when the process ends.
class Sandbox {
public:
    static Sandbox& Get() {
        static Sandbox sandbox;
        return sandbox;
    }
    const fs::path& path() const { return path_; }
    // Removes what the steps wrote, the fixtures kept.
    void Clean() const {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(path_, ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("in.", 0) != 0 && name.rfind("broken.", 0) != 0)
                fs::remove_all(entry.path(), ignored);
        }
    }
    ~Sandbox() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

private:
    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "pelorin-fuzz.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern;
        for (const auto& [name, samples] : {std::pair{"in", 64}, std::pair{"broken", 40000}}) {
            std::string swf = SwfHeader(samples, 1000.0);
            std::string dat =
                "Data Points: " + std::to_string(samples) + "\nBandwidth: 300000\nData:\n";
            for (int i = 0; i < samples; ++i) {
                const int code = 2048 + static_cast<int>(2000.0 * std::sin(0.3 * i));
                swf += static_cast<char>(code & 0xff);
                swf += static_cast<char>(code >> 8);
                const float v = static_cast<float>(std::sin(0.3 * i));
                dat.append(reinterpret_cast<const char*>(&v), sizeof v);
            }
            std::string pks =
                "There were " + std::to_string(samples) + " peaks\nh2\nh3\nh4\nh5\nh6\n";
            std::string recipe = "reset layout=ni samples=64 bandwidth=1000\n";
            for (int i = 0; i < samples; ++i) {
                pks += "1 2 3 " + std::to_string(100000 + i) + "\n";
                recipe += "notch from=100 to=300 level=1\n";
            }
            Put(path_ / (std::string(name) + ".swf"), swf);
            Put(path_ / (std::string(name) + ".dat"), dat);
            Put(path_ / (std::string(name) + ".pks"), pks);
            Put(path_ / (std::string(name) + ".recipe"), recipe);
        }
    }
    fs::path path_;
};

// The entries that name a file.
constexpr const char* kPathKeys[] = {"file",    "check", "waveform", "batch", "read",
                                     "profile", "out",   "spectrum", "csv"};

// Readies a step to run in the sandbox: a file named plainly (no folder, not
// hidden) is taken there; any other path, a profile too large to be quick or
// a series too long keeps the step from running, as does an optimisation of
// many iterations.
bool Runnable(recipe::Step& step, const fs::path& sandbox) {
    for (recipe::Entry& e : step.entries)
        for (const char* key : kPathKeys)
            if (e.key == key) {
                if (e.value.empty() || e.value[0] == '.' || e.value.find('/') != std::string::npos)
                    return false;
                e.value = (sandbox / e.value).string();
            }
    const auto small = [&](const char* key, std::size_t digits, long most) {
        const std::string* v = step.Find(key);
        return !v ||
               (v->size() <= digits && v->find_first_not_of("0123456789") == std::string::npos &&
                std::stol(*v) <= most);
    };
    return small("iterations", 3, 999) && small("samples", 5, 16384) && small("last", 2, 24);
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
    const Sandbox& sandbox = Sandbox::Get();
    std::ostringstream out;
    recipe::Runner runner(out);
    for (recipe::Step& step : steps) {
        try {
            recipe::CheckStep(step);
            if (Runnable(step, sandbox.path()))
                runner.Run(step);
        } catch (const Refusal&) {
        }
    }
    sandbox.Clean();
    return 0;
}

// The file readers through real files: the first byte chooses the reader and
// whether the file is one whose reads fail midway, the rest is the file.
int FileReaders(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Sandbox& sandbox = Sandbox::Get();
    const bool broken = (data[0] & 0x10) != 0;
    const fs::path path = sandbox.path() / (broken ? "broken-input" : "input");
    Put(path, std::string(Text(data + 1, size - 1)));
    try {
        switch (data[0] % 5) {
            case 0:
                ReadSwfFile(path.string());
                break;
            case 1:
                ReadDatFile(path.string(), (data[0] >> 5) % 3);
                break;
            case 2:
                ReadPeakList(path.string());
                break;
            case 3: {
                InputFile file(path.string(), "recipe");
                recipe::ReadRecipe(file.stream());
                break;
            }
            default: {
                // A recipe that reads the file as each kind, in turn.
                std::ostringstream out;
                recipe::Runner runner(out);
                const std::string p = path.string();
                const std::string lines[] = {"inspect file=" + p, "import file=" + p + " awg=0",
                                             "reset layout=ni samples=64 bandwidth=1000",
                                             "freq read=" + p};
                for (const std::string& line : lines) {
                    try {
                        runner.Run(recipe::ParseRecipe(line).at(0));
                    } catch (const Refusal&) {
                    }
                }
            }
        }
    } catch (const Refusal&) {
    } catch (const recipe::RecipeError&) {
    }
    sandbox.Clean();
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
