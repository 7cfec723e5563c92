#include "services/system_error_win.h"

#include <cwchar>

namespace vx {

std::wstring system_error_text(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    if (text.empty()) text = L"System error code " + std::to_wstring(code);
    return text;
}

std::wstring last_error_text() { return system_error_text(GetLastError()); }

std::wstring com_error_text(HRESULT hr) {
    wchar_t number[16];
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    return text.empty() ? L"Error " + std::wstring(number) : text + L" (" + number + L")";
}

} // namespace vx
