// What every reader of outside files checks before it opens one.
#pragma once

#include <string>

namespace pelorin {

// Refuses, naming the path and what it was to be (e.g. "peak list"), a path
// that does not exist or cannot be examined, a folder, and anything that is
// not a regular file: a device such as /dev/zero never ends and a pipe may
// block forever. Refusals start with "Cannot read the <what> "<path>"".
void RequireRegularFile(const std::string& path, const std::string& what);

}  // namespace pelorin
