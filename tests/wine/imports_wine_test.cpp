// The program files import nothing but the system's own DLLs: the C++
// runtime is linked in, so no DLL can be planted beside the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "services/error.h"
#include "services/text.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

// The DLL names of a PE file's import table, read from the file itself. The
// optional header is PE32 in the 32-bit build and PE32+ in the 64-bit one;
// the two place the data directories at different offsets.
std::vector<std::wstring> imported_dlls(const std::wstring& path) {
    const std::string image = test::read_bytes(path);
    std::vector<std::wstring> names;
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return names;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY directory{};
    switch (nt->OptionalHeader.Magic) {
    case IMAGE_NT_OPTIONAL_HDR32_MAGIC:
        directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        break;
    case IMAGE_NT_OPTIONAL_HDR64_MAGIC:
        directory = reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader
                        .DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        break;
    default:
        ADD_FAILURE() << to_utf8(path) << ": unknown optional header " << nt->OptionalHeader.Magic;
        return names;
    }
    // The section table follows the optional header, whichever its size.
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    // Turns a relative virtual address into an offset in the file.
    auto offset_of = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offset_of(directory.VirtualAddress));
         entry->Name != 0; ++entry)
        names.push_back(widen_ascii(image.data() + offset_of(entry->Name)));
    return names;
}

TEST(ImportsOnWine, TheProgramsImportOnlyDllsOfTheSystemFolder) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring programs[] = {test::program_folder() + L"\\..\\" VANTRIX_PROGRAM_FILE,
                                     test::program_folder() + L"\\..\\restarter\\RestartExp.exe"};
    for (const auto& program : programs) {
        const auto dlls = imported_dlls(program);
        ASSERT_FALSE(dlls.empty()) << to_utf8(program);
        for (const auto& dll : dlls) {
            EXPECT_TRUE(test::exists(std::wstring(system) + L"\\" + dll)) << to_utf8(dll) << " is not a system DLL";
            EXPECT_FALSE(starts_with_ignore_case(dll, L"libstdc++") || starts_with_ignore_case(dll, L"libgcc") ||
                         starts_with_ignore_case(dll, L"libwinpthread"))
                << to_utf8(dll);
        }
    }
}

} // namespace
} // namespace vx
