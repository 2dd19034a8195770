// The command-line front end as a function, so that tests run it in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pelorin::cli {

// Runs pelorin-cli with args (without the program name): "FILE", "-" for
// standard input, one or more "-e STEP", "--help" or "--version". Steps print to out;
// refusals and usage errors go to err as "pelorin-cli: SOURCE:LINE: reason".
// With progress set, a series counts its members on err. Returns the exit
// status: 0 when every step ran, 2 for a refused step or a usage error.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, bool progress);

}  // namespace pelorin::cli
