#pragma once

#include <string>
#include <string_view>

namespace vx {

// An icon location as the registry's DefaultIcon values hold it:
// "<file>,<index>", the file perhaps in quotation marks and with environment
// variables still unexpanded. A negative index names an icon by its resource
// identifier; no index means the first icon.
struct IconLocation {
    std::wstring file;
    int index = 0;
};
IconLocation parse_icon_location(std::wstring_view location);

} // namespace vx
