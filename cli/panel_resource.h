// The panel resource of the graphical front end, compiled into the command
// line so that both read the same entry ranges and initial values.
#pragma once

#include <string_view>

namespace pelorin::cli {

std::string_view PanelResourceText();

}  // namespace pelorin::cli
