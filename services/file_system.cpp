#include "services/file_system.h"

namespace vx {

std::wstring cannot_create_file_text(const std::wstring& path, const std::wstring& reason) {
    return L"Cannot create file \"" + path + L"\". " + reason;
}

std::wstring join_lines_crlf(const std::vector<std::wstring>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::wstring text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

} // namespace vx
