// CSV tables of two columns written by the command-line front end: the
// spectrum check, the waveform and the profile.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace pelorin {

// Row i of a table: its two numbers.
using CsvRow = std::function<std::pair<double, double>(std::size_t i)>;

// Writes the header line, then rows 0 .. count - 1 as "a,b" with 17 significant
// digits, so that each number reads back to the same double whatever the
// locale. The file appears complete or not at all: it is written under a
// temporary name in the same folder and renamed into place. Throws Refusal
// naming the path and the reason when it cannot be written.
void WriteCsv(const std::string& path, std::string_view header, std::size_t count,
              const CsvRow& row);

}  // namespace pelorin
