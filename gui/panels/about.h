// Help > About: the program, its licence and what it is built on.
#pragma once

#include <string>

namespace pelorin {

// Rich text for the About box.
std::string AboutText();

}  // namespace pelorin
