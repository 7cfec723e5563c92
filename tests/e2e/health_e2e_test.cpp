// The "Check" buttons of the File Associations Fixer and Advanced pages
// through the real program: each row's mark is a label whose text the driver
// reads (WM_GETTEXT). A damaged type or setting is marked with what differs,
// the others keep their marks, and after the repair the check shows it put
// right. A repair whose change does not take ends in an error, not the
// notice. Screenshots of both pages with their marks, at 96 and 144 DPI, go
// to the build tree. Every key a test changes is put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/components.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "tests/e2e/app_at_dpi.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr wchar_t kNotice[] = L"The problem has been fixed, restart the computer to see changes!";
constexpr int kAssociationsPage = 1;
constexpr int kAdvancedPage = 3;
constexpr wchar_t kPlantedVerb[] = L"vantrixevil";

// Scrolls a row's control into view in its scroll box and clicks it.
void press_in(HWND main, int scroll_box, int button_id) {
    HWND box = find_control(main, scroll_box);
    HWND button = find_control(main, button_id);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(scroll_into_view(button, box));
    click(button);
}

// ---------------------------------------------------------------- registry

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<RawValue> read_value(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<RawValue> value;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        value = RawValue{type, std::vector<BYTE>(size)};
        RegQueryValueExW(key, name.c_str(), nullptr, &type, value->data.data(), &size);
        value->data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

void write_value(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                 DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << to_narrow(path);
    RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void write_string(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    write_value(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void write_dword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD number) {
    write_value(root, path, name, REG_DWORD, &number, sizeof(number));
}

void delete_value(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
}

// Values saved as they are and put back when it goes (deleted again when
// they were missing).
class SavedValues {
public:
    void save(HKEY root, const std::wstring& path, const std::wstring& name) {
        saved_.push_back({root, path, name, read_value(root, path, name)});
    }
    ~SavedValues() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->value)
                write_value(it->root, it->path, it->name, it->value->type, it->value->data.data(),
                            static_cast<DWORD>(it->value->data.size()));
            else
                delete_value(it->root, it->path, it->name);
        }
    }

private:
    struct Saved {
        HKEY root;
        std::wstring path, name;
        std::optional<RawValue> value;
    };
    std::vector<Saved> saved_;
};

std::wstring temp_folder() {
    wchar_t temp[MAX_PATH];
    return std::wstring(temp, GetTempPathW(MAX_PATH, temp));
}

// Whole keys saved with reg.exe's export (a UTF-16 file, which reg.exe reads
// back exactly) and put back when it goes; a key that was missing is deleted.
class SavedKeys {
public:
    void save(const std::wstring& key) {
        const std::wstring file = temp_folder() + L"vx-health-" + std::to_wstring(saved_.size()) + L".reg";
        const bool existed = run_command(L"reg query \"" + key + L"\" >nul 2>&1") == 0;
        if (existed) {
            ASSERT_EQ(run_command(L"reg export \"" + key + L"\" \"" + file + L"\" /y >nul 2>&1"), 0);
        }
        saved_.push_back({key, file, existed});
    }
    ~SavedKeys() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            run_command(L"reg delete \"" + it->key + L"\" /f >nul 2>&1");
            if (it->existed) run_command(L"reg import \"" + it->file + L"\" >nul 2>&1");
            DeleteFileW(it->file.c_str());
        }
    }

private:
    struct Saved {
        std::wstring key, file;
        bool existed;
    };
    std::vector<Saved> saved_;
};

// ---------------------------------------------------------------- marks

std::vector<std::wstring> read_marks(HWND main, int first, std::size_t count) {
    std::vector<std::wstring> marks;
    for (std::size_t i = 0; i < count; ++i) {
        HWND mark = find_control(main, first + static_cast<int>(i));
        marks.push_back(mark ? window_text(mark) : L"(no mark window)");
    }
    return marks;
}

std::vector<std::wstring> association_marks(HWND main) {
    return read_marks(main, kFirstAssociationMarkId, kAssociations.size());
}

// The repair rows of the Advanced page in page order, by button ID.
std::vector<int> advanced_repair_buttons() {
    std::vector<int> buttons;
    for (const AdvancedRow& row : advanced_rows())
        if (row.kind == AdvancedRow::Kind::repair) buttons.push_back(main_component_id(row.component));
    return buttons;
}

int advanced_mark_of(int button) {
    const auto buttons = advanced_repair_buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == button) return kFirstAdvancedMarkId + static_cast<int>(i);
    return 0;
}

std::wstring mark_text(HWND main, int mark_id) {
    HWND mark = find_control(main, mark_id);
    return mark ? window_text(mark) : L"(no mark window)";
}

// Presses a page's "Check" button and waits until `done` holds for the marks.
bool check_and_wait(HWND main, int button, const std::function<bool()>& done) {
    HWND check = find_control(main, button);
    if (!check || window_text(check) != L"Check") return false;
    click(check);
    return wait_until(done, 20000);
}

// ---------------------------------------------------------------- tests

constexpr wchar_t kFileExts[] = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt";
constexpr wchar_t kRoamingFileExts[] = L"HKCU\\Software\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.txt";

// A fresh Wine prefix does not hold the Windows 10 registration of every type,
// so the other rows are compared with their marks before the damage rather
// than required to say "intact".
TEST(AssociationCheck, MarksTheDamagedTypeAloneAndNoLongerAfterItsFix) {
    constexpr std::size_t kTxt = 18;
    ASSERT_EQ(std::wstring(kAssociations[kTxt].type_name), L"TXT");
    SavedKeys saved;
    for (const wchar_t* key :
         {L"HKCR\\.txt", L"HKCR\\txtfile", L"HKCR\\SystemFileAssociations\\.txt", kFileExts, kRoamingFileExts})
        ASSERT_NO_FATAL_FAILURE(saved.save(key));

    App app = App::launch();
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(select_page(main, kAssociationsPage));
    for (const auto& mark : association_marks(main))
        EXPECT_EQ(mark, L"") << "a mark before any check";

    ASSERT_TRUE(check_and_wait(main, btnCHECKASSOC, [&] {
        for (const auto& mark : association_marks(main))
            if (mark.empty()) return false;
        return true;
    })) << "the rows were not all marked";
    const auto before = association_marks(main);

    // What malware leaves: an extra verb and a changed open command.
    write_string(HKEY_CLASSES_ROOT, std::wstring(L"txtfile\\shell\\") + kPlantedVerb + L"\\command", L"",
                 L"C:\\evil.exe \"%1\"");
    write_string(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L"", L"C:\\evil.exe %1");
    ASSERT_TRUE(check_and_wait(main, btnCHECKASSOC, [&] { return association_marks(main)[kTxt] != before[kTxt]; }));
    const auto damaged = association_marks(main);
    EXPECT_TRUE(damaged[kTxt].starts_with(std::wstring(L"extra command '") + kPlantedVerb + L"'"))
        << to_narrow(damaged[kTxt]);
    for (std::size_t i = 0; i < damaged.size(); ++i)
        if (i != kTxt) {
            EXPECT_EQ(damaged[i], before[i]) << to_narrow(kAssociations[i].type_name);
        }

    ASSERT_NO_FATAL_FAILURE(press_in(main, ScrollBox2, btnFIXTXTFILE));
    auto box = next_box(app.id(), 60000);
    ASSERT_TRUE(box) << "no box after the fix";
    if (running_on_wine()) {
        // Wine's reg.exe stores the hex(2) values of the ANSI script as ANSI
        // text, so the check after the import rightly names those values,
        // and only those; Windows stores them as written and says "Done!".
        EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
        const auto lines = split_box_lines(box->text);
        ASSERT_GE(lines.size(), 2u) << to_narrow(box->text);
        for (std::size_t i = 1; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].starts_with(L"value ") && lines[i].ends_with(L" changed")) << to_narrow(lines[i]);
    } else {
        EXPECT_EQ(box->text, L"Done!");
        EXPECT_EQ(box->icon, IconKind::information) << icon_name(box->icon);
    }
    answer(*box, IDOK);
    // The row's mark follows the fix at once, without another check.
    EXPECT_TRUE(wait_until([&] { return association_marks(main)[kTxt] != damaged[kTxt]; }))
        << "the mark still tells of the damage";

    ASSERT_TRUE(check_and_wait(main, btnCHECKASSOC, [&] { return association_marks(main)[kTxt] != damaged[kTxt]; }));
    const auto after = association_marks(main);
    if (running_on_wine()) {
        // The values Wine's reg.exe stored as ANSI text still differ; the
        // planted verb and the changed command are gone.
        EXPECT_EQ(after[kTxt].find(L"extra command"), std::wstring::npos) << to_narrow(after[kTxt]);
        EXPECT_EQ(after[kTxt].find(kPlantedVerb), std::wstring::npos) << to_narrow(after[kTxt]);
    } else {
        EXPECT_EQ(after[kTxt], L"intact");
    }
    for (std::size_t i = 0; i < after.size(); ++i)
        if (i != kTxt) {
            EXPECT_EQ(after[i], before[i]) << to_narrow(kAssociations[i].type_name);
        }
}

constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kExplorerAdvanced[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

TEST(AdvancedCheck, MarksTheDamagedRowsAndTheirRepairsPutThemRight) {
    SavedValues saved;
    saved.save(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell");
    saved.save(HKEY_CURRENT_USER, kExplorerAdvanced, L"IconsOnly");
    write_string(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"C:\\Users\\Public\\evil.exe");
    write_dword(HKEY_CURRENT_USER, kExplorerAdvanced, L"IconsOnly", 1);

    App app = App::launch();
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(select_page(main, kAdvancedPage));
    const int shell = advanced_mark_of(btnFIXEXPLOREREXE), thumbnails = advanced_mark_of(btnFIXTHUMBNAILSFOLDER);
    ASSERT_TRUE(shell && thumbnails);
    ASSERT_TRUE(check_and_wait(main, btnCHECKADVANCED, [&] { return !mark_text(main, shell).empty(); }));
    EXPECT_EQ(mark_text(main, shell), L"Winlogon Shell is \"C:\\Users\\Public\\evil.exe\", not \"explorer.exe\"");
    EXPECT_EQ(mark_text(main, thumbnails), L"IconsOnly (icons instead of thumbnails) is 1, not 0");
    // Rows whose effect cannot be read back carry no mark at all.
    for (int button : {btnFIXDNSCACHE, btnRenewIP, btnFIXFOLDERVIEWSETTINGS, btnFIXRECYLEBINCORRUPT, btnResetGPedit})
        EXPECT_EQ(mark_text(main, advanced_mark_of(button)), L"")
            << to_narrow(std::wstring(main_component_name(button)));

    for (int button : {btnFIXEXPLOREREXE, btnFIXTHUMBNAILSFOLDER}) {
        SCOPED_TRACE(to_narrow(std::wstring(main_component_name(button))));
        ASSERT_NO_FATAL_FAILURE(press_in(main, ScrollBox1, button));
        auto box = next_box(app.id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, kNotice);
        EXPECT_EQ(box->caption, L"Vantrix ");
        EXPECT_EQ(box->icon, IconKind::information) << icon_name(box->icon);
        answer(*box, IDOK);
    }
    ASSERT_TRUE(
        check_and_wait(main, btnCHECKADVANCED,
                       [&] { return mark_text(main, shell) == L"intact" && mark_text(main, thumbnails) == L"intact"; }))
        << to_narrow(mark_text(main, shell)) << " / " << to_narrow(mark_text(main, thumbnails));
}

// A copy of the stand-in child program as the system's powercfg.exe (Wine
// has none; on Windows the real one is moved aside and put back). Started
// with VX_CHILD_EXIT=0 it ends with 0 and turns nothing on.
class PlantedPowercfg {
public:
    PlantedPowercfg() {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        path_ = std::wstring(system) + L"\\powercfg.exe";
        backup_ = path_ + L".vantrix-test-backup";
        had_original_ = MoveFileExW(path_.c_str(), backup_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        planted_ = CopyFileW((test_folder() + L"\\vx_child.exe").c_str(), path_.c_str(), FALSE) != 0;
    }
    ~PlantedPowercfg() {
        DeleteFileW(path_.c_str());
        DeleteFileW((path_ + L".ran").c_str());
        if (had_original_) MoveFileExW(backup_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    PlantedPowercfg(const PlantedPowercfg&) = delete;
    PlantedPowercfg& operator=(const PlantedPowercfg&) = delete;
    bool planted() const { return planted_; }
    bool ran() const { return GetFileAttributesW((path_ + L".ran").c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring path_, backup_;
    bool had_original_ = false, planted_ = false;
};

// powercfg ends with 0 but hibernation stays off: the repair reads the
// setting back and names it instead of showing the notice.
TEST(AdvancedCheck, ARepairWhoseCommandChangedNothingEndsInAnErrorNotTheNotice) {
    constexpr wchar_t kFlyout[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings";
    constexpr wchar_t kPower[] = L"SYSTEM\\CurrentControlSet\\Control\\Power";
    SavedValues saved;
    saved.save(HKEY_LOCAL_MACHINE, kFlyout, L"ShowHibernateOption");
    saved.save(HKEY_LOCAL_MACHINE, kPower, L"HibernateEnabled");
    write_dword(HKEY_LOCAL_MACHINE, kPower, L"HibernateEnabled", 0);
    PlantedPowercfg powercfg;
    ASSERT_TRUE(powercfg.planted());

    App::Options options;
    options.environment = {{L"VX_CHILD_EXIT", L"0"}};
    App app = App::launch(options);
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(select_page(main, kAdvancedPage));
    ASSERT_NO_FATAL_FAILURE(press_in(main, ScrollBox1, btnFIXHIBERNATE));
    auto box = next_box(app.id());
    ASSERT_TRUE(box);
    EXPECT_TRUE(powercfg.ran());
    EXPECT_EQ(box->text, L"After the repair the system still differs from what it sets:\n"
                         L"hibernation is off (HibernateEnabled)");
    EXPECT_EQ(box->caption, L"Vantrix");
    EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
    answer(*box, IDOK);
    EXPECT_FALSE(wait_message_box(app.id(), 1000)) << "a second box";

    // The mark says the same.
    const int mark = advanced_mark_of(btnFIXHIBERNATE);
    ASSERT_TRUE(check_and_wait(main, btnCHECKADVANCED, [&] { return !mark_text(main, mark).empty(); }));
    EXPECT_EQ(mark_text(main, mark), L"hibernation is off (HibernateEnabled)");
}

// Both pages after a check, at 96 DPI and at 144 set through the prefix's
// LogPixels: the marks sit in their rows, scaled with them.
class HealthMarksAtDpi : public AppAtDpi {};

TEST_P(HealthMarksAtDpi, BothPagesShowTheirMarksInTheirRows) {
    const std::wstring dpi = std::to_wstring(GetParam()) + L"dpi";
    struct Case {
        int page;
        int check;
        int first_mark;
        int x, y; // of the first mark in its row, at 96 DPI
        const wchar_t* file;
    };
    const Case cases[] = {
        {kAssociationsPage, btnCHECKASSOC, kFirstAssociationMarkId, 250, 14, L"file-associations-marks-"},
        {kAdvancedPage, btnCHECKADVANCED, kFirstAdvancedMarkId, 13, 25, L"advanced-marks-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        ASSERT_TRUE(select_page(main, c.page));
        HWND first = find_control(main, c.first_mark);
        ASSERT_NE(first, nullptr);
        ASSERT_TRUE(check_and_wait(main, c.check, [&] { return !window_text(first).empty(); }));
        const RECT rect = rect_in(first, GetParent(first));
        EXPECT_EQ(rect.left, scale(c.x));
        EXPECT_EQ(rect.top, scale(c.y));
        pause(300); // let the marks paint
        EXPECT_TRUE(save_screenshot(main, screenshot_path(c.file + dpi)));
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, HealthMarksAtDpi, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

} // namespace
} // namespace vx::e2e
