// Writes the manual pages pelorin(1) and pelorin-cli(1) into the folder
// given, from the texts the programs' --help shows.
#include <cstdio>
#include <fstream>
#include <string>

#include "core/recipe/manual.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pelorin-manpages FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    for (const auto& [name, text] : {std::pair{"pelorin.1", pelorin::recipe::GuiManPage()},
                                     std::pair{"pelorin-cli.1", pelorin::recipe::CliManPage()}}) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "pelorin-manpages: cannot write %s/%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}
