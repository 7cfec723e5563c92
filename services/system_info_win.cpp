#include "services/system_info_win.h"

#include <windows.h>

#include <oleauto.h>
#include <wbemdisp.h>

#include <cstdint>
#include <vector>

#include "services/byte_size.h"
#include "services/error.h"
#include "services/handles_win.h"
#include "services/smbios.h"
#include "services/system_error_win.h"

namespace vx {

namespace {

// {76A64158-CB41-11D1-8B02-00600806D9B6}
constexpr CLSID kClsidSWbemLocator = {0x76A64158, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
// {76A6415B-CB41-11D1-8B02-00600806D9B6}
constexpr IID kIidISWbemLocator = {0x76A6415B, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};

void check(HRESULT hr) {
    if (FAILED(hr)) throw Error(com_error_text(hr));
}

std::wstring locale_text(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16) > 0 ? std::wstring(buffer) : std::wstring(fallback);
}

// Reads a property of a scripting object by name through late-bound dispatch.
std::wstring dispatch_property(IDispatch* object, const wchar_t* name) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    check(object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS none{};
    Variant result;
    // Asked as script engines ask: Windows accepts a plain property get too,
    // Wine 8's scripting objects only this combination.
    check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                         result.put(), nullptr, nullptr));
    if (result.get().vt == VT_NULL || result.get().vt == VT_EMPTY) return {};
    check(variant_change_type(&result.get(), &result.get(), 0, VT_BSTR));
    return result.get().bstrVal ? std::wstring(result.get().bstrVal, sys_string_length(result.get().bstrVal))
                                : std::wstring();
}

OSVERSIONINFOW version_record() {
    OSVERSIONINFOW info{};
    static_assert(sizeof(OSVERSIONINFOW) == 276);
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExW(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return info;
}

} // namespace

WindowsVersion query_windows_version() {
    const auto info = version_record();
    return classify_windows(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId);
}

bool running_under_wow64() {
    UniqueLibrary kernel(LoadLibraryW(L"kernel32.dll"));
    if (!kernel) return false;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "IsWow64Process")));
    if (!is_wow64) return false;
    BOOL flag = FALSE;
    if (!is_wow64(GetCurrentProcess(), &flag)) return false;
    return flag != FALSE;
}

std::wstring processor_name(RegistryBackend& backend) {
    Registry reg(backend, kKeyAllAccess, RootKey::local_machine);
    if (!reg.open_key(L"\\Hardware\\Description\\System\\CentralProcessor\\0", false)) return {};
    return reg.read_string(L"ProcessorNameString");
}

std::wstring memory_size() {
    // The extended query gives the whole installed memory as a 64-bit count;
    // GlobalMemoryStatus caps it at 2 GB for a 32-bit program that is not
    // large-address-aware.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return {};
    return format_byte_size(status.ullTotalPhys, locale_text(LOCALE_STHOUSAND, L","),
                            locale_text(LOCALE_SDECIMAL, L"."));
}

namespace {

// The board as WMI's Win32_BaseBoard reports it, for a system that hands out
// no firmware tables.
std::wstring wmi_motherboard() {
    ComPtr<ISWbemLocator> locator;
    check(CoCreateInstance(kClsidSWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidISWbemLocator, locator.put_void()));
    Bstr server(L"."), space(L"root/cimv2"), empty(L""), board_class(L"Win32_BaseBoard");
    ComPtr<ISWbemServices> services;
    check(locator->ConnectServer(server.get(), space.get(), empty.get(), empty.get(), empty.get(), empty.get(), 0,
                                 nullptr, services.put()));
    ComPtr<ISWbemObjectSet> boards;
    check(services->InstancesOf(board_class.get(), 0, nullptr, boards.put()));
    ComPtr<IUnknown> unknown;
    check(boards->get__NewEnum(unknown.put()));
    ComPtr<IEnumVARIANT> items;
    check(unknown->QueryInterface(IID_IEnumVARIANT, items.put_void()));

    std::wstring result;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (items->Next(1, item.put(), &fetched) != S_OK) break;
        check(variant_change_type(&item.get(), &item.get(), 0, VT_DISPATCH));
        IDispatch* board = item.get().pdispVal;
        if (!board) continue;
        // With several boards the last one enumerated is shown.
        result = dispatch_property(board, L"Manufacturer") + L", " + dispatch_property(board, L"Product");
    }
    return result;
}

} // namespace

std::wstring motherboard() {
    // Read straight from the SMBIOS tables, where WMI's Win32_BaseBoard takes
    // it from too: no COM, no WMI service and none of its libraries loaded.
    constexpr DWORD kRawSmbios = 0x52534D42; // 'RSMB'
    const UINT size = GetSystemFirmwareTable(kRawSmbios, 0, nullptr, 0);
    if (size > 0) {
        std::vector<std::uint8_t> raw(size);
        if (GetSystemFirmwareTable(kRawSmbios, 0, raw.data(), size) == size) {
            const auto board = smbios_base_board(raw);
            return board ? board->manufacturer + L", " + board->product : std::wstring();
        }
    }
    return wmi_motherboard();
}

std::wstring os_name() {
    const auto info = version_record();
    const auto major = info.dwMajorVersion, minor = info.dwMinorVersion, platform = info.dwPlatformId;
    // Tested in this order; the three tests exclude one another.
    if (is_windows8(major, minor, platform)) return windows_name(WindowsVersion::windows8);
    if (is_windows81(major, minor, platform)) return windows_name(WindowsVersion::windows81);
    if (is_windows10(major, minor, platform)) return windows_name(WindowsVersion::windows10);
    return windows_name(WindowsVersion::unsupported);
}

} // namespace vx
