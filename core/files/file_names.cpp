#include "core/files/file_names.h"

namespace pelorin {

std::string WithExtension(const std::string& path, std::string_view extension) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    if (name >= path.size() || path.find('.', name + 1) != std::string::npos)
        return path;
    return path + std::string(extension);
}

}  // namespace pelorin
