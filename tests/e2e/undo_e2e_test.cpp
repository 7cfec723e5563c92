// Undo through the real program: a TXT fix and the hosts reset each save
// what they replace, File > Undo a Repair lists both, and putting them back
// leaves the registry and the hosts file byte for byte as they were. A
// repair whose backup cannot be written does not run.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/components.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/registry_snapshot.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr int kAssociationsPage = 1;
constexpr int kAdvancedPage = 3;
constexpr int kListId = 100;
constexpr int kUndoId = 102;
constexpr wchar_t kRestored[] = L"Done! Everything in the backup is back as it was.";
constexpr char kRestoredNarrow[] = "Done! Everything in the backup is back as it was.";

struct SavedRoot {
    HKEY root;
    const wchar_t* path;
};
// Every key the TXT script writes or deletes, at its top.
const SavedRoot kTxtKeys[] = {
    {HKEY_CLASSES_ROOT, L".txt"},
    {HKEY_CLASSES_ROOT, L"SystemFileAssociations\\.txt"},
    {HKEY_CLASSES_ROOT, L"txtfile"},
    {HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt"},
    {HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.txt"},
};

std::wstring program_data() {
    PWSTR data = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &data))) path = data;
    CoTaskMemFree(data);
    return path;
}

std::wstring hosts_path() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\System32\\drivers\\etc\\hosts";
}

std::string read_bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void write_bytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> log_lines() {
    std::ifstream file((program_data() + L"\\Vantrix\\Vantrix.log").c_str(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// Whether a line after the first `from` holds every part.
bool logged(const std::vector<std::string>& lines, std::size_t from, const std::vector<std::string>& parts) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        bool all = true;
        for (const auto& part : parts) all = all && lines[i].find(part) != std::string::npos;
        if (all) return true;
    }
    return false;
}

std::vector<Tree> txt_snapshot() {
    std::vector<Tree> trees;
    for (const auto& key : kTxtKeys) trees.push_back(read_tree(key.root, key.path));
    return trees;
}

// Scrolls a page's button into view, presses it and answers the box that follows.
std::optional<MessageBoxInfo> press(const App& app, HWND main, int page, int scroll_box, int button_id) {
    if (!select_page(main, page)) return std::nullopt;
    HWND box = find_control(main, scroll_box);
    HWND button = find_control(main, button_id);
    if (!box || !button) return std::nullopt;
    if (!scroll_into_view(button, box)) return std::nullopt;
    click(button);
    auto shown = wait_message_box(app.id(), 60000);
    if (shown) answer(*shown, IDOK);
    return shown;
}

std::wstring list_text(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

HWND undo_window(const App& app) {
    HWND found = nullptr;
    wait_until([&] {
        for (HWND window : top_windows(app.id(), L"#32770"))
            if (window_text(window) == L"Undo a Repair") found = window;
        return found != nullptr;
    });
    return found;
}

// Selects the newest backup whose line holds `part`, presses Undo, confirms
// and answers the outcome; returns the outcome's text.
std::wstring undo(const App& app, HWND window, const std::wstring& part) {
    HWND list = GetDlgItem(window, kListId);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    int index = -1;
    for (int i = 0; i < count && index < 0; ++i)
        if (list_text(list, i).find(part) != std::wstring::npos) index = i;
    if (index < 0) return L"(no backup of " + part + L" listed)";
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    click(GetDlgItem(window, kUndoId));
    auto question = wait_message_box(app.id(), 20000);
    if (!question) return L"(no question)";
    EXPECT_EQ(question->icon, IconKind::question) << icon_name(question->icon);
    EXPECT_NE(question->text.find(part), std::wstring::npos) << to_narrow(question->text);
    answer(*question, IDYES);
    auto outcome = wait_message_box(app.id(), 60000);
    if (!outcome) return L"(no outcome)";
    answer(*outcome, IDOK);
    return outcome->text;
}

class UndoE2e : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& key : kTxtKeys) saved.save(key.root, key.path);
        hosts_before_test = read_bytes(hosts_path());
    }
    void TearDown() override {
        app.terminate();
        saved.restore();
        write_bytes(hosts_path(), hosts_before_test);
    }
    SavedKeys saved;
    std::string hosts_before_test;
    App app;
};

TEST_F(UndoE2e, AFixedTypeAndTheResetHostsFileArePutBackByteForByte) {
    // The person's own verb and hosts line, there on purpose.
    write_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\mine\\command", L"",
                {REG_SZ, {'C', 0, ':', 0, '\\', 0, 'm', 0, '.', 0, 'e', 0, 'x', 0, 'e', 0, 0, 0}});
    write_bytes(hosts_path(), hosts_before_test + "10.1.2.3 intranet.example # kept on purpose\r\n");
    const std::vector<Tree> registry_before = txt_snapshot();
    const std::string hosts_before = read_bytes(hosts_path());
    const std::size_t log_before = log_lines().size();

    app = App::launch();
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    // The fix's outcome is an error under Wine, whose reg.exe stores the
    // script's hex(2) values otherwise than Windows; the backup is taken
    // before the import either way.
    ASSERT_TRUE(press(app, main, kAssociationsPage, ScrollBox2, btnFIXTXTFILE)) << "no box after the TXT fix";
    auto reset = press(app, main, kAdvancedPage, ScrollBox1, btnFIXFILEHOST);
    ASSERT_TRUE(reset) << "no box after the hosts reset";
    EXPECT_EQ(reset->text, L"The problem has been fixed, restart the computer to see changes!");
    ASSERT_FALSE(key_exists(HKEY_CLASSES_ROOT, L"txtfile\\shell\\mine")) << "the fix left the extra verb";
    ASSERT_NE(read_bytes(hosts_path()), hosts_before) << "the reset left the hosts file";

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(mnuUNDO, 0), 0);
    HWND window = undo_window(app);
    ASSERT_NE(window, nullptr) << "no Undo window";
    // Newest first: the hosts reset comes before the fix.
    HWND list = GetDlgItem(window, kListId);
    ASSERT_GE(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_NE(list_text(list, 0).find(L"Reset host file to default."), std::wstring::npos) << to_narrow(list_text(list, 0));
    EXPECT_NE(list_text(list, 1).find(L"TXT"), std::wstring::npos) << to_narrow(list_text(list, 1));

    // Twice: the second time changes nothing and says so the same way.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(undo(app, window, L"Reset host file to default."), kRestored);
        EXPECT_EQ(undo(app, window, L"TXT"), kRestored);
        EXPECT_EQ(read_bytes(hosts_path()), hosts_before);
        EXPECT_TRUE(txt_snapshot() == registry_before) << "the registry differs after undo " << round + 1;
    }
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);

    // The repairs and each undo are on record with what the person was told.
    const auto lines = log_lines();
    EXPECT_TRUE(logged(lines, log_before, {" | btnFIXFILEHOST (Reset host file to default.) | ", "information"}));
    EXPECT_TRUE(logged(lines, log_before, {" | btnFIXTXTFILE (TXT) | ", "reg.exe", "exit code"}));
    EXPECT_TRUE(logged(lines, log_before, {" | mnuUNDO (Undo a Repair...) | undo of the backup ", "btnFIXFILEHOST"}));
    EXPECT_TRUE(logged(lines, log_before, {" | mnuUNDO (Undo a Repair...) | shown information: ", kRestoredNarrow}));
}

TEST_F(UndoE2e, ARepairWhoseBackupCannotBeWrittenDoesNotRunAndChangesNothing) {
    // A file where the backups' folder belongs cannot hold backups.
    const std::wstring backups = program_data() + L"\\Vantrix\\Backups";
    const std::wstring moved = backups + L".vx-e2e-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW((program_data() + L"\\Vantrix").c_str(), nullptr);
    const bool had_folder = MoveFileW(backups.c_str(), moved.c_str()) != 0;
    write_bytes(backups, "not a folder");
    write_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\evil\\command", L"",
                {REG_SZ, {'e', 0, 'v', 0, 'i', 0, 'l', 0, 0, 0}});
    const std::vector<Tree> registry_before = txt_snapshot();

    app = App::launch();
    HWND main = app.main_window();
    auto shown = main ? press(app, main, kAssociationsPage, ScrollBox2, btnFIXTXTFILE) : std::nullopt;
    app.terminate();
    DeleteFileW(backups.c_str());
    if (had_folder) MoveFileW(moved.c_str(), backups.c_str());

    ASSERT_TRUE(shown) << "no box after the click";
    EXPECT_EQ(shown->icon, IconKind::error) << icon_name(shown->icon);
    EXPECT_TRUE(shown->text.starts_with(L"The repair did not run, because its backup could not be written:\n"))
        << to_narrow(shown->text);
    EXPECT_NE(shown->text.find(L"it is not a folder"), std::wstring::npos) << to_narrow(shown->text);
    EXPECT_TRUE(txt_snapshot() == registry_before) << "the registry changed although the repair did not run";
}

} // namespace
} // namespace vx::e2e
