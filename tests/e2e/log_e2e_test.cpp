// The action log: a repair clicked in the running program leaves its command
// lines, their exit codes and the outcome the person saw in the log under
// ProgramData, as UTF-8.
// (The outcome may be an error where the check after the import finds values
// stored otherwise than Windows stores them.)
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/components.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

std::wstring log_path() {
    PWSTR data = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &data))) path = data;
    CoTaskMemFree(data);
    return path + L"\\Vantrix\\Vantrix.log";
}

std::vector<std::string> log_lines() {
    std::ifstream file(std::filesystem::path(log_path()), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ActionLogE2e, AFixLeavesItsCommandWithItsExitCodeAndTheOutcomeShownInUtf8) {
    // A temporary folder whose name is not ASCII shows that the log is UTF-8.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring root = std::wstring(windows, 3) + L"vx-log-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring temp = root + L"\\Zo\u00eb";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    const std::size_t lines_before = log_lines().size();

    App app = App::launch({{}, {{L"TEMP", temp}}, {}});
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(select_page(main, 1));
    HWND box = find_control(main, ScrollBox2);
    HWND button = find_control(main, btnFIXTXTFILE);
    ASSERT_NE(button, nullptr);
    for (int step = 0; step < 100; ++step) SendMessageW(box, WM_VSCROLL, SB_LINEDOWN, 0);
    click(button);
    auto shown = wait_message_box(app.id(), 60000);
    ASSERT_TRUE(shown) << "no box after the click";
    answer(*shown, IDOK);
    app.terminate();
    RemoveDirectoryW(temp.c_str());
    RemoveDirectoryW(root.c_str());

    const std::vector<std::string> lines = log_lines();
    ASSERT_GT(lines.size(), lines_before) << "nothing was logged";
    const std::string action = " | btnFIXTXTFILE (TXT) | ";
    const std::string program = VANTRIX_PROGRAM_FILE;
    bool ran = false, outcome = false;
    for (std::size_t i = lines_before; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // "YYYY-MM-DD HH:MM:SS | <program> <version> | <action> | <event>"
        ASSERT_GE(line.size(), 22u) << line;
        EXPECT_EQ(line[4], '-') << line;
        EXPECT_EQ(line[13], ':') << line;
        EXPECT_EQ(line.substr(19, 3 + program.size()), " | " + program) << line;
        if (contains(line, action + "ran: ") && contains(line, "reg.exe") && contains(line, "import") &&
            contains(line, "Zo\xc3\xab\\TXT.reg") && contains(line, " | exit code 0"))
            ran = true;
        if (ran && contains(line, action + "shown ") && contains(line, to_narrow(shown->text.substr(0, 5))))
            outcome = true;
    }
    EXPECT_TRUE(ran) << "no line for the import with its exit code";
    EXPECT_TRUE(outcome) << "no line for the outcome shown after it";
}

} // namespace
} // namespace vx::e2e
