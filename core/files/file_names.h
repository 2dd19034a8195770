// File names as the operator gives them.
#pragma once

#include <string>
#include <string_view>

namespace pelorin {

// path with extension (".swf") added when its file name has none, as a save
// dialog does: "band" gives "band.swf", "band.v2" and a path ending in "/"
// stay as they are. A leading dot marks a hidden file, not an extension.
std::string WithExtension(const std::string& path, std::string_view extension);

}  // namespace pelorin
