// The Home page's quick tasks through the real program: a restore point (Wine's
// WMI refuses the request, which is the error path for real), and the SFC and
// DISM scans.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>

#include "app/components.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr wchar_t kRestoreKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore";
constexpr wchar_t kFrequency[] = L"SystemRestorePointCreationFrequency";

// The frequency value as the registry holds it now: nothing when absent.
std::optional<DWORD> frequency() {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kRestoreKey, kFrequency, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return type == REG_DWORD ? std::optional<DWORD>(value) : std::optional<DWORD>(0xFFFFFFFF);
}

void set_frequency(std::optional<DWORD> value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRestoreKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (value)
        RegSetValueExW(key, kFrequency, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value), sizeof(DWORD));
    else
        RegDeleteValueW(key, kFrequency);
    RegCloseKey(key);
}

// Wine 8 maps "root\DEFAULT" onto its cimv2 namespace, which has a
// SystemRestore class, but calling CreateRestorePoint late-bound fails with
// E_NOTIMPL: the automation-error path runs for real. (On Windows the request
// reaches System Restore; the paths Wine cannot produce are covered by the
// native tests against a fake request.)
TEST(RestorePoint, AnAutomationErrorIsShownAndTheFrequencyValueIsPutBackAsItWas) {
    const auto original = frequency();
    for (const std::optional<DWORD> before : {std::optional<DWORD>(), std::optional<DWORD>(1440)}) {
        SCOPED_TRACE(before ? "a number was there" : "no value was there");
        set_frequency(before);
        App app = App::launch();
        HWND main = app.main_window();
        ASSERT_NE(main, nullptr);
        click(find_control(main, btnRSPoint));
        auto box = wait_message_box(app.id(), 30000);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, L"Vantrix");
        EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
        EXPECT_NE(box->text, L"Done!");
        EXPECT_NE(box->text.find(L"0x80004001"), std::wstring::npos) << to_narrow(box->text);
        // Put back as soon as the request returned, before the box.
        EXPECT_EQ(frequency(), before) << "the value is not back while the outcome is shown";
        answer(*box, IDOK);
        pause(500);
        EXPECT_EQ(frequency(), before);
        EXPECT_FALSE(wait_message_box(app.id(), 500)) << "no \"Done!\" after the error";
    }
    set_frequency(original);
}

// A copy of the stand-in child program in the system folder under a tool's
// name, put back as it was when the test ends.
class PlantedTool {
public:
    explicit PlantedTool(const std::wstring& name) {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        path_ = std::wstring(system) + L"\\" + name;
        backup_ = path_ + L".vantrix-test-backup";
        had_original_ = MoveFileExW(path_.c_str(), backup_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        planted_ = CopyFileW((test_folder() + L"\\vx_child.exe").c_str(), path_.c_str(), FALSE) != 0;
        // Wine runs its own built-in stand-in for a program of its system
        // folder unless the prefix says to load the file there; Windows runs
        // the file as it is.
        const std::wstring native = L"native";
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", name.c_str(), REG_SZ, native.c_str(),
                        static_cast<DWORD>((native.size() + 1) * sizeof(wchar_t)));
        name_ = name;
    }
    ~PlantedTool() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", name_.c_str());
        DeleteFileW(path_.c_str());
        DeleteFileW(marker().c_str());
        if (had_original_) MoveFileExW(backup_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    PlantedTool(const PlantedTool&) = delete;
    PlantedTool& operator=(const PlantedTool&) = delete;
    bool planted() const { return planted_; }
    std::wstring marker() const { return path_ + L".ran"; }

private:
    std::wstring name_, path_, backup_;
    bool had_original_ = false, planted_ = false;
};

// The cmd around the tool that Vantrix started, once it runs.
DWORD console_of_tool(DWORD app_id) {
    std::vector<DWORD> found;
    wait_until([&] { return !(found = child_processes(app_id, L"cmd.exe")).empty(); }, 20000);
    return found.empty() ? 0 : found.front();
}

// The tool's console stays open under its explanation once the tool has
// ended; the box comes only after a key was pressed there.
TEST(Scans, DoneAppearsOnlyAfterTheToolHasEndedAndItsConsoleWasRead) {
    // A DISM that takes two seconds: the stand-in marks that it started, then sleeps.
    PlantedTool dism(L"DISM.exe");
    ASSERT_TRUE(dism.planted());
    App app = App::launch({L"", {{L"VX_CHILD_SLEEP", L"2000"}, {L"VX_CHILD_EXIT", L"0"}}, L""});
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    click(find_control(main, btnSCANDISM));
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(dism.marker().c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 20000)
        pause(20);
    ASSERT_NE(GetFileAttributesW(dism.marker().c_str()), INVALID_FILE_ATTRIBUTES) << "DISM did not start";
    const DWORD console = console_of_tool(app.id());
    ASSERT_NE(console, 0u) << "the tool does not run in a console of cmd";
    EXPECT_FALSE(wait_message_box(app.id(), 1000)) << "a box while the tool still runs";
    // The window keeps handling messages while it waits.
    DWORD_PTR answer_value = 0;
    EXPECT_NE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer_value), 0);
    ASSERT_TRUE(wait_until([&] { return child_processes(console, L"DISM.exe").empty(); }, 20000));
    EXPECT_FALSE(wait_message_box(app.id(), 1500)) << "the console closed before its result could be read";
    ASSERT_TRUE(press_key_in_console(console));
    auto box = wait_message_box(app.id(), 20000);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"Done!");
    EXPECT_EQ(box->icon, IconKind::information) << icon_name(box->icon);
    EXPECT_GE(GetTickCount() - start, 2000u);
    answer(*box, IDOK);
}

// A DISM that fails: its error code reaches Vantrix through the console's cmd
// and is shown with the system's text (Wine's text for 87 may differ from
// Windows', and Wine has none for 0x800F081F), and no "Done!".
TEST(Scans, AFailingDismIsShownWithItsErrorCode) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"87", L"failed with error 87: "}, {L"-2146498529", L"failed with error 0x800F081F"}};
    for (const auto& [code, text] : cases) {
        PlantedTool dism(L"DISM.exe");
        ASSERT_TRUE(dism.planted());
        App app = App::launch({L"", {{L"VX_CHILD_EXIT", code}}, L""});
        HWND main = app.main_window();
        ASSERT_NE(main, nullptr);
        click(find_control(main, btnSCANDISM));
        const DWORD console = console_of_tool(app.id());
        ASSERT_NE(console, 0u);
        EXPECT_FALSE(wait_message_box(app.id(), 1500)) << "the console closed before its result could be read";
        ASSERT_TRUE(press_key_in_console(console));
        auto box = wait_message_box(app.id(), 20000);
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->text.starts_with(L"The command \"DISM /Online /Cleanup-Image /RestoreHealth\" " +
                                          std::wstring(text)))
            << to_narrow(box->text);
        EXPECT_EQ(box->caption, L"Vantrix");
        EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
        answer(*box, IDOK);
        EXPECT_FALSE(wait_message_box(app.id(), 500)) << "a second box";
    }
}

// Wine has no sfc.exe: process creation fails, which is the case of a tool
// that cannot be started.
TEST(Scans, AToolThatCannotStartIsNamedInAnErrorBox) {
    App app = App::launch();
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    click(find_control(main, btnSCANSFC));
    auto box = wait_message_box(app.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"Vantrix");
    EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
    EXPECT_NE(box->text.find(L"sfc /scannow"), std::wstring::npos) << to_narrow(box->text);
    answer(*box, IDOK);
}

} // namespace
} // namespace vx::e2e
