// The fuzz targets: each takes any bytes as the input its reader would get
// from outside and must end in a result or a refusal, never a crash, a hang or
// a sanitizer report. The libFuzzer programs and the regression test that
// replays the kept inputs call the same functions. The recipe target runs
// file steps in a folder of its own; FileReaders reads real files, some of
// which fail while they are read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelorin::fuzz {

int Recipe(const std::uint8_t* data, std::size_t size);
int DatFile(const std::uint8_t* data, std::size_t size);
int PeakList(const std::uint8_t* data, std::size_t size);
int PanelResource(const std::uint8_t* data, std::size_t size);
int SwfFile(const std::uint8_t* data, std::size_t size);
int FileReaders(const std::uint8_t* data, std::size_t size);

}  // namespace pelorin::fuzz
