// DLLs planted beside the program: a copy of the program in a folder that
// also holds a marking DLL under each name the program imports or loads and
// that Windows would look for beside it (every name off the KnownDLLs list).
// Wine prefers its builtin DLLs; overrides for the program's file name make
// it take these names native first, from the program's folder, as Windows
// does. They are set in the prefix's registry: Wine reads WINEDLLOVERRIDES
// from its Unix environment, which a child started from inside the prefix
// does not get from the environment block it is given.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <string>
#include <vector>

#include "services/text.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

// comctl32 is imported and comes from the side-by-side store through the
// manifest; msimg32 gives AlphaBlend for the pictures; windowscodecs is the
// imaging component, which the program no longer uses (it decodes its
// pictures itself) but a system DLL may still ask for. version.dll and uxtheme.dll are left out: Wine's own builtin DLLs load
// them by themselves while the process starts, before any of the program's
// code runs, even for a program that imports only known DLLs. Windows does
// not, so those two names would say nothing about the program. The names on
// the KnownDLLs list (kernel32, user32 ...) are left out too: Windows never
// takes them from the program's folder, but Wine has no such list and would
// load them from there.
const wchar_t* const kPlantedNames[] = {L"comctl32.dll", L"msimg32.dll", L"windowscodecs.dll"};

// Native-first overrides of the planted names for programs of one file name,
// removed again when the test ends.
class ScopedOverrides {
public:
    explicit ScopedOverrides(const std::wstring& program)
        : key_(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides") {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const wchar_t* name : kPlantedNames) {
            const std::wstring value = L"native,builtin";
            RegSetValueExW(key, std::wstring(name, wcslen(name) - 4).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    ~ScopedOverrides() { RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }
    ScopedOverrides(const ScopedOverrides&) = delete;
    ScopedOverrides& operator=(const ScopedOverrides&) = delete;

private:
    std::wstring key_;
};

std::wstring system_folder() {
    wchar_t path[MAX_PATH];
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

// The full paths of the modules a process has loaded.
std::vector<std::wstring> loaded_modules(HANDLE process) {
    HMODULE modules[512];
    DWORD bytes = 0;
    std::vector<std::wstring> paths;
    if (!EnumProcessModules(process, modules, sizeof(modules), &bytes)) return paths;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t path[MAX_PATH * 2];
        const DWORD n = GetModuleFileNameExW(process, modules[i], path, MAX_PATH * 2);
        if (n > 0) paths.emplace_back(path, n);
    }
    return paths;
}

std::wstring base_name(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

TEST(DllPlantingOnWin10, NoDllBesideTheProgramIsLoadedAndThePicturesStillComeFromTheSystemFolder) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vx planted dlls";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\" VANTRIX_PROGRAM_FILE;
    ASSERT_TRUE(CopyFileW(vantrix_exe().c_str(), program.c_str(), FALSE));
    for (const wchar_t* name : kPlantedNames) {
        DeleteFileW((folder + L"\\" + name + L".loaded").c_str());
        ASSERT_TRUE(CopyFileW((test_folder() + L"\\planted.dll").c_str(), (folder + L"\\" + name).c_str(), FALSE))
            << to_narrow(name);
    }

    ScopedOverrides overrides(L"" VANTRIX_PROGRAM_FILE);
    App app = App::launch({program, {}, folder});
    HWND main = app.main_window();
    std::vector<std::wstring> modules;
    if (main) {
        // The pictures are drawn: AlphaBlend has been asked for.
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        pause(1500);
        modules = loaded_modules(app.process());
    }
    app.terminate();

    for (const wchar_t* name : kPlantedNames) {
        const std::wstring mark = folder + L"\\" + name + L".loaded";
        EXPECT_EQ(GetFileAttributesW(mark.c_str()), INVALID_FILE_ATTRIBUTES) << to_narrow(name) << " was loaded";
    }
    ASSERT_NE(main, nullptr) << "the program did not start";
    // Whatever of those names the program loaded came from the system folder
    // (comctl32 from the side-by-side store); msimg32 was loaded, so the test
    // did exercise the run-time load.
    bool blend_loaded = false;
    for (const auto& path : modules) {
        for (const wchar_t* name : kPlantedNames) {
            if (!equals_ignore_case(base_name(path), name)) continue;
            EXPECT_FALSE(starts_with_ignore_case(path, folder)) << to_narrow(path);
            if (equals_ignore_case(name, L"msimg32.dll")) {
                blend_loaded = true;
                EXPECT_TRUE(starts_with_ignore_case(path, system_folder() + L"\\")) << to_narrow(path);
            }
        }
    }
    EXPECT_TRUE(blend_loaded) << "msimg32.dll was never loaded";

    for (const wchar_t* name : kPlantedNames)
        DeleteFileW((folder + L"\\" + name).c_str());
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

// What the program loads for its own start-up and its pages: not the imaging
// components, automation or the shell, which cost memory and time and which
// nothing before the first launch, repair or restore point needs. Under Wine
// no system DLL of a plain window brings them in either; on Windows one may,
// which would not be the program's doing.
TEST(StartUpOnWin10, TheWindowAndItsPagesLoadNeitherTheImagingComponentsNorAutomationNorTheShell) {
    App app = App::launch({vantrix_exe(), {}, {}});
    HWND main = app.main_window();
    std::vector<std::wstring> modules;
    if (main) {
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        pause(1000);
        modules = loaded_modules(app.process());
    }
    app.terminate();
    ASSERT_NE(main, nullptr) << "the program did not start";
    ASSERT_FALSE(modules.empty());
    for (const auto& path : modules)
        for (const wchar_t* name : {L"windowscodecs.dll", L"oleaut32.dll", L"shell32.dll"})
            EXPECT_FALSE(equals_ignore_case(base_name(path), name)) << to_narrow(path);
}

} // namespace
} // namespace vx::e2e
