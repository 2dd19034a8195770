// Reading numbers written by people and by other programs.
#pragma once

#include <string_view>

namespace pelorin {

// std::from_chars reads no leading '+', though files and entries may carry
// one. Drops a '+' that stands right before a digit or a point, so that "+5"
// reads as 5 while "+-5", "++5" and "+inf" stay unreadable.
inline std::string_view WithoutPlus(std::string_view s) {
    if (s.size() > 1 && s[0] == '+' && ((s[1] >= '0' && s[1] <= '9') || s[1] == '.'))
        s.remove_prefix(1);
    return s;
}

}  // namespace pelorin
