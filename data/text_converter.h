#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vorn {

// Turns a UTF-8 text of a data file into the report's code page; `field_name` is the field
// (or, for a header, the name itself) for its error messages. An empty converter keeps the
// bytes as they are.
using TTextConverter =
    std::function<std::string(std::string_view field_name, std::string_view utf8)>;

}  // namespace vorn
