// How the script import fails, with the real file layer, runner and reg.exe
// of the prefix: a script reg.exe rejects, a script file that cannot be
// written and a missing Registry Editor each end in "Error!", and no
// temporary script stays behind that the import itself wrote.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fixers/assoc/script_import.h"
#include "services/command_runner_win.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

using Box = test::ScriptedUi::Box;

const Box kDone{L"Done!", L"Vantrix", 0x40};
const Box kError{L"Error!", L"Vantrix", 0x10};

// What the probe script writes when reg.exe takes it.
constexpr wchar_t kProbeKey[] = L"Software\\VantrixImportProbe";

// The real runner, with a note of every command the import asks for.
class NotingRunner : public CommandRunner {
public:
    int run(const std::wstring& command_line, std::uint16_t show) override {
        lines.push_back(command_line);
        return real_.run(command_line, show);
    }
    bool start(const std::wstring& command_line, std::uint16_t show) override {
        lines.push_back(command_line);
        return real_.start(command_line, show);
    }
    using CommandRunner::run;
    std::vector<std::wstring> lines;

private:
    Win32CommandRunner real_{test::pump_messages};
};

// The real folders, except a Windows folder a test may move elsewhere.
class MovableFolders : public Win32Folders {
public:
    std::wstring windows_folder() override { return windows.empty() ? Win32Folders::windows_folder() : windows; }
    std::wstring windows;
};

struct Import {
    Import() { test::delete_registry_tree(HKEY_CURRENT_USER, kProbeKey); }
    ~Import() { test::delete_registry_tree(HKEY_CURRENT_USER, kProbeKey); }
    void run(const std::vector<std::wstring>& script) { import_registry_script(services, script, L"TXT"); }
    std::wstring script_file() const { return services.temp_path + L"TXT.reg"; }
    bool probe_imported() const {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kProbeKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    test::ScratchFolder temp{L"vx import"};
    Win32Registry registry;
    NotingRunner runner;
    Win32FileSystem files;
    MovableFolders folders;
    ResourceTextStore texts;
    test::ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, temp.path() + L"\\"};
};

std::vector<std::wstring> probe_script(const std::wstring& header) {
    return {header, L"", L"[HKEY_CURRENT_USER\\Software\\VantrixImportProbe]", L"\"imported\"=\"yes\""};
}

// reg.exe answers 1 for a file it does not take (an unknown header, an empty
// file); the import reports that as a failure. The good header beside them
// shows the same lines are imported when the header is right.
TEST(AssocImportFailuresOnWine, WhatRegExeRejectsEndsInErrorAndTheFileIsDeleted) {
    struct Case {
        const char* what;
        std::vector<std::wstring> script;
        Box box;
        bool imported;
    };
    const Case cases[] = {
        {"the right header", probe_script(L"Windows Registry Editor Version 5.00"), kDone, true},
        {"a wrong header", probe_script(L"Vantrix Registry Script 1.0"), kError, false},
        {"an empty script", {}, kError, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Import import;
        import.run(c.script);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{c.box});
        EXPECT_EQ(import.runner.lines, std::vector<std::wstring>{L"reg.exe import \"" + import.script_file() + L"\""});
        EXPECT_EQ(import.probe_imported(), c.imported);
        EXPECT_FALSE(test::exists(import.script_file()));
    }
}

// When the script cannot be written, nothing is run; a file or folder that
// was there and could not be replaced is someone else's and stays.
TEST(AssocImportFailuresOnWine, AScriptThatCannotBeWrittenEndsInErrorWithNothingRun) {
    const auto script = probe_script(L"Windows Registry Editor Version 5.00");
    {
        SCOPED_TRACE("the temporary folder is missing");
        Import import;
        import.services.temp_path = import.temp / L"gone\\";
        import.run(script);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
        EXPECT_TRUE(import.runner.lines.empty());
        EXPECT_FALSE(test::exists(import.temp / L"gone"));
    }
    {
        SCOPED_TRACE("the temporary folder is a file");
        Import import;
        test::write_bytes(import.temp / L"Temp", "not a folder");
        import.services.temp_path = import.temp / L"Temp\\";
        import.run(script);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
        EXPECT_TRUE(import.runner.lines.empty());
        EXPECT_EQ(test::read_bytes(import.temp / L"Temp"), "not a folder");
    }
    {
        SCOPED_TRACE("a folder holds the script's name");
        Import import;
        ASSERT_TRUE(CreateDirectoryW(import.script_file().c_str(), nullptr));
        import.run(script);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
        EXPECT_TRUE(import.runner.lines.empty());
        EXPECT_TRUE(GetFileAttributesW(import.script_file().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    {
        SCOPED_TRACE("another program holds the old script open without sharing");
        Import import;
        test::write_bytes(import.script_file(), "held");
        HANDLE held = CreateFileW(import.script_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        import.run(script);
        CloseHandle(held);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
        EXPECT_TRUE(import.runner.lines.empty());
        EXPECT_EQ(test::read_bytes(import.script_file()), "held");
    }
    {
        SCOPED_TRACE("a read-only old script");
        Import import;
        test::write_bytes(import.script_file(), "read-only");
        SetFileAttributesW(import.script_file().c_str(), FILE_ATTRIBUTE_READONLY);
        import.run(script);
        EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
        EXPECT_TRUE(import.runner.lines.empty());
        EXPECT_EQ(test::read_bytes(import.script_file()), "read-only");
    }
}

// Without the Registry Editor in the Windows folder the registry tools are
// missing or were taken away: nothing is run, the user hears of it, and the
// script just written does not stay in the temporary folder.
TEST(AssocImportFailuresOnWine, NoRegistryEditorEndsInErrorAndDeletesTheScript) {
    Import import;
    test::ScratchFolder windows(L"vx windows");
    import.folders.windows = windows.path();
    import.run(probe_script(L"Windows Registry Editor Version 5.00"));
    EXPECT_EQ(import.ui.boxes, std::vector<Box>{kError});
    EXPECT_TRUE(import.runner.lines.empty());
    EXPECT_FALSE(import.probe_imported());
    EXPECT_FALSE(test::exists(import.script_file()));
}

} // namespace
} // namespace vx
