#include "services/staging.h"

#include "services/error.h"

namespace vx {

std::wstring staged_file_path(const std::wstring& temp, const std::wstring& name) {
    if (temp.empty()) throw Error(kTempNotSet);
    return temp.back() == L'\\' ? temp + name : temp + L"\\" + name;
}

} // namespace vx
