#include "services/resources_win.h"

#include <windows.h>

#include "services/error.h"
#include "services/text.h"

namespace vx {

std::vector<std::uint8_t> load_resource(const std::wstring& name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data) throw Error(L"Resource " + name + L" not found");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module, info));
}

std::vector<std::wstring> ResourceTextStore::lines(const std::wstring& name) const {
    const auto bytes = load_resource(name);
    // The stored texts are 7-bit ASCII.
    return split_lines(widen_ascii(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

} // namespace vx
