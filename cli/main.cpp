// pelorin-cli: runs a recipe of design steps without the graphical front end.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return pelorin::cli::RunCli(args, std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
