// The Advanced page's repairs through the real program: a command repair that
// runs and one whose program is missing, the Windows Search repair without its
// service key, and the corrupted Recycle Bin repair with its input box and
// confirmation, each read from the boxes the program shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "app/components.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr wchar_t kNotice[] = L"The problem has been fixed, restart the computer to see changes!";
constexpr int kAdvancedPage = 3;

// The program on its Advanced page, where a user presses a row's button once
// it has been scrolled into view.
class AdvancedPage {
public:
    AdvancedPage() : app_(App::launch()), main_(app_.main_window()) {}
    bool ready() { return main_ && select_page(main_, kAdvancedPage); }
    DWORD id() const { return app_.id(); }

    void press(int button_id) {
        HWND box = find_control(main_, ScrollBox1);
        HWND button = find_control(main_, button_id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(scroll_into_view(button, box));
        click(button);
    }

private:
    App app_;
    HWND main_;
};

struct ExpectedBox {
    std::wstring text;
    std::wstring caption;
    IconKind icon;
};

// Waits for the process's next message box, checks it and presses OK.
void expect_box_and_close(DWORD process_id, const ExpectedBox& expected, DWORD timeout_ms = 30000) {
    auto box = next_box(process_id, timeout_ms);
    ASSERT_TRUE(box) << "no box: " << to_narrow(expected.text);
    EXPECT_EQ(box->text, expected.text);
    EXPECT_EQ(box->caption, expected.caption);
    EXPECT_EQ(box->icon, expected.icon) << icon_name(box->icon);
    answer(*box, IDOK);
}

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void write_file(const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << to_narrow(path);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
}

std::wstring system_folder() {
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}

// Wine's powershell is a stub that ignores its arguments and exits 0, so the
// DNS flush runs and ends with the notice. Wine has no gpupdate at all: the
// Group Policy reset still deletes the policy folders, then names the command
// that could not be started instead of claiming success (on Windows gpupdate
// runs and the notice follows).
TEST(AdvancedCommandRepairs, ShowTheNoticeWhenTheCommandRanAndNameACommandThatCouldNotStart) {
    const std::wstring policies[] = {system_folder() + L"\\GroupPolicy", system_folder() + L"\\GroupPolicyUsers"};
    for (const auto& folder : policies)
        ASSERT_FALSE(is_folder(folder)) << "the prefix already holds " << to_narrow(folder);
    struct Case {
        int button;
        ExpectedBox box;
    };
    const Case cases[] = {
        {btnFIXDNSCACHE, {kNotice, L"Vantrix ", IconKind::information}},
        {btnResetGPedit, {L"This command could not be started:\ngpupdate /force", L"Vantrix", IconKind::error}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_narrow(std::wstring(main_component_name(c.button))));
        if (c.button == btnResetGPedit)
            for (const auto& folder : policies) {
                CreateDirectoryW(folder.c_str(), nullptr);
                CreateDirectoryW((folder + L"\\Machine").c_str(), nullptr);
                write_file(folder + L"\\Machine\\Registry.pol", "PReg");
            }
        AdvancedPage page;
        ASSERT_TRUE(page.ready());
        ASSERT_NO_FATAL_FAILURE(page.press(c.button));
        expect_box_and_close(page.id(), c.box);
        EXPECT_FALSE(wait_message_box(page.id(), 1000)) << "a second box";
    }
    for (const auto& folder : policies) {
        EXPECT_FALSE(is_folder(folder)) << to_narrow(folder);
        run_command(L"rmdir /s /q \"" + folder + L"\"");
    }
}

// Wine installs no Windows Search service; on Windows the key would be there
// and the repair would go on to its notice. The missing key is named before
// the service is stopped.
TEST(AdvancedWindowsSearch, WithoutTheServiceKeyTheStandardErrorBoxShowsAndNothingFollows) {
    constexpr wchar_t kService[] = L"HKLM\\SYSTEM\\CurrentControlSet\\Services\\WSearch";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring saved = std::wstring(temp) + L"vantrix-wsearch.reg";
    const bool had_key = run_command(L"reg query \"" + std::wstring(kService) + L"\" >nul 2>&1") == 0;
    if (had_key) {
        ASSERT_EQ(run_command(L"reg export \"" + std::wstring(kService) + L"\" \"" + saved + L"\" /y"), 0);
        ASSERT_EQ(run_command(L"reg delete \"" + std::wstring(kService) + L"\" /f"), 0);
    }
    {
        AdvancedPage page;
        ASSERT_TRUE(page.ready());
        ASSERT_NO_FATAL_FAILURE(page.press(btnFIXWINSEARCH));
        auto box = wait_message_box(page.id());
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->text.starts_with(
            L"Cannot open the key \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\WSearch\": "))
            << to_narrow(box->text);
        EXPECT_EQ(box->caption, L"Vantrix");
        EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
        answer(*box, IDOK);
        // Neither the restart of the service after its 4-second pause nor the notice comes.
        EXPECT_FALSE(wait_message_box(page.id(), 6000)) << "a box after the error";
    }
    EXPECT_NE(run_command(L"reg query \"" + std::wstring(kService) + L"\" >nul 2>&1"), 0) << "the key was created";
    if (had_key) {
        EXPECT_EQ(run_command(L"reg import \"" + saved + L"\""), 0);
        DeleteFileW(saved.c_str());
    }
}

// The program's input box: a dialog of class #32770 holding an edit field.
HWND wait_input_box(DWORD process_id, DWORD timeout_ms = 20000) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND window : top_windows(process_id, L"#32770")) {
                HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
                if (edit) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeout_ms);
    return found;
}

// A Recycle Bin on the prefix's drive C: (its drive_c folder) with a deleted
// file in it. One that was there before is moved aside and put back.
class StandInRecycleBin {
public:
    StandInRecycleBin() {
        had_bin_ = MoveFileW(kBin, kSaved) != 0;
        CreateDirectoryW(kBin, nullptr);
        CreateDirectoryW((std::wstring(kBin) + L"\\test").c_str(), nullptr);
        write_file(std::wstring(kBin) + L"\\test\\$RABC123.txt", "deleted file");
        SetFileAttributesW(kBin, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
    ~StandInRecycleBin() {
        run_command(L"rmdir /s /q \"" + std::wstring(kBin) + L"\"");
        if (had_bin_) MoveFileW(kSaved, kBin);
    }
    StandInRecycleBin(const StandInRecycleBin&) = delete;
    StandInRecycleBin& operator=(const StandInRecycleBin&) = delete;
    bool intact() const {
        return GetFileAttributesW(L"C:\\$Recycle.Bin\\test\\$RABC123.txt") != INVALID_FILE_ATTRIBUTES;
    }
    bool gone() const { return !is_folder(kBin); }

private:
    static constexpr const wchar_t* kBin = L"C:\\$Recycle.Bin";
    static constexpr const wchar_t* kSaved = L"C:\\$Recycle.Bin.vantrix-saved";
    bool had_bin_ = false;
};

TEST(AdvancedCorruptedRecycleBin, AsksForADriveRefusesOtherTextAndDeletesOnlyAfterYes) {
    struct Case {
        const char* name;
        std::optional<std::wstring> typed; // nothing: the input box is cancelled
        std::optional<ExpectedBox> refusal;
        int confirmation; // the answer to the confirmation; 0 when none is asked
        bool deleted;
    };
    const ExpectedBox not_a_drive{L"That is not a drive letter. Enter a single letter from A to Z, such as C.",
                                  L"Vantrix", IconKind::warning};
    const Case cases[] = {
        {"a folder path", L"C:\\Users", not_a_drive, 0, false},
        {"cancelled", std::nullopt, std::nullopt, 0, false},
        {"c and Yes", L"c", std::nullopt, IDYES, true},
        {"c and No", L"c", std::nullopt, IDNO, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StandInRecycleBin bin;
        AdvancedPage page;
        ASSERT_TRUE(page.ready());
        ASSERT_NO_FATAL_FAILURE(page.press(btnFIXRECYLEBINCORRUPT));

        HWND input = wait_input_box(page.id());
        ASSERT_NE(input, nullptr) << "no input box";
        EXPECT_EQ(window_text(input), L"Fix Corrupted Recycle Bin");
        HWND prompt = FindWindowExW(input, nullptr, L"Static", nullptr);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(window_text(prompt), L"Enter the drive letter (example: C)");
        HWND edit = FindWindowExW(input, nullptr, L"Edit", nullptr);
        if (c.typed) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed->c_str()));
        const int button = c.typed ? IDOK : IDCANCEL;
        PostMessageW(input, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(input, button)));
        ASSERT_TRUE(wait_until([&] { return !IsWindow(input); }));

        if (c.refusal) expect_box_and_close(page.id(), *c.refusal);
        if (c.confirmation) {
            auto box = next_box(page.id());
            ASSERT_TRUE(box) << "no confirmation";
            EXPECT_EQ(box->text, L"All items on the Recycle Bin will be deleted, do you want to continue?");
            EXPECT_EQ(box->caption, L"Vantrix ");
            EXPECT_EQ(box->icon, IconKind::question) << icon_name(box->icon);
            ASSERT_EQ(box->buttons.size(), 2u);
            EXPECT_EQ(box->buttons[0].first, IDYES);
            EXPECT_EQ(box->buttons[1].first, IDNO);
            EXPECT_TRUE(bin.intact()) << "deleted before the answer";
            answer(*box, c.confirmation);
        }
        if (c.deleted) expect_box_and_close(page.id(), {kNotice, L"Vantrix ", IconKind::information});
        EXPECT_FALSE(wait_message_box(page.id(), 1000)) << "another box";
        if (c.deleted) {
            EXPECT_TRUE(bin.gone());
        } else {
            EXPECT_TRUE(bin.intact());
        }
    }
}

} // namespace
} // namespace vx::e2e
