#include <gtest/gtest.h>

#include "fixers/advanced/file_repairs.h"
#include "services/error.h"
#include "services/explorer_restarter.h"
#include "tests/default_hosts.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using Box = test::ScriptedUi::Box;
using test::kDefaultHosts;
using Call = test::RecordingRunner::Call;

const Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};
const Box kConfirm{L"All items on the Recycle Bin will be deleted, do you want to continue?", L"Vantrix ", 0x24};
const Box kNotADrive{L"That is not a drive letter. Enter a single letter from A to Z, such as C.", L"Vantrix", 0x30};

constexpr wchar_t kHosts[] = L"C:\\Windows\\System32\\drivers\\etc\\hosts";

TEST(HostsReset, WritesExactlyTheDefaultTextWhateverWasThere) {
    const std::vector<std::optional<std::string>> before = {
        "127.0.0.1 localhost\r\n0.0.0.0 update.example.com\r\n10.1.1.1 bank.example.com\r\n",
        kDefaultHosts + "1.2.3.4 extra\r\n",
        std::nullopt, // no hosts file at all
    };
    for (const auto& old : before) {
        FakeSystem s;
        s.files.add_directory(L"C:\\Windows\\System32\\drivers\\etc");
        if (old) s.files.add_file(kHosts, *old);
        reset_hosts_file(s.services);
        EXPECT_EQ(s.files.content(kHosts), kDefaultHosts);
        EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
    }
}

TEST(HostsReset, FollowsTheWindowsFolder) {
    FakeSystem s;
    s.folders.windows = L"E:\\WINNT";
    s.files.add_directory(L"E:\\WINNT\\System32\\drivers\\etc");
    reset_hosts_file(s.services);
    EXPECT_EQ(s.files.content(L"E:\\WINNT\\System32\\drivers\\etc\\hosts"), kDefaultHosts);
}

TEST(HostsReset, AFileThatCannotBeReplacedKeepsItsOldTextAndTheErrorReachesTheUser) {
    const std::string old = "127.0.0.1 localhost\r\n10.1.1.1 intranet\r\n";
    {
        FakeSystem s;
        s.files.add_file(kHosts, old, /*read_only=*/true);
        EXPECT_THROW(reset_hosts_file(s.services), Error);
        EXPECT_EQ(s.files.content(kHosts), old);
        EXPECT_TRUE(s.ui.boxes.empty());
    }
    {
        // The new text cannot even be written beside the old file.
        FakeSystem s;
        s.files.add_file(kHosts, old);
        s.files.deny_create_in(L"C:\\Windows\\System32\\drivers\\etc");
        EXPECT_THROW(reset_hosts_file(s.services), Error);
        EXPECT_EQ(s.files.content(kHosts), old);
        EXPECT_TRUE(s.ui.boxes.empty());
    }
}

TEST(DriveLetter, AcceptsOneLetterWithAnOptionalColonOrRootOnly) {
    const std::pair<const wchar_t*, wchar_t> accepted[] = {{L"C", L'C'},    {L"c", L'C'}, {L"C:", L'C'},
                                                           {L"d:\\", L'D'}, {L"Z", L'Z'}, {L"a", L'A'}};
    for (const auto& [text, letter] : accepted)
        EXPECT_EQ(parse_drive_letter(text), letter) << to_utf8(text);

    // clang-format off
    const std::wstring rejected[] = {
        L"", L" ", L" C", L"C ", L"..", L".", L"CD", L"1", L"C:/", L"C:\\\\", L"C::", L"C\\", L"\\", L"@", L"[",
        L"\u00C4", L"\uFF23", L"C:\\Users\\x", L"\\\\server\\share", std::wstring(300, L'C')};
    // clang-format on
    for (const auto& text : rejected)
        EXPECT_EQ(parse_drive_letter(text), std::nullopt) << to_utf8(text);
}

struct RecycleBinRun {
    FakeSystem s;
    explicit RecycleBinRun(std::optional<std::wstring> typed, int answer = mb::id_yes) {
        s.files.add_file(L"C:\\$Recycle.Bin\\S-1-5-21\\$RABC.txt", "deleted file");
        s.files.add_file(L"C:\\Users\\x\\keep.txt", "keep");
        s.ui.inputs.push_back(std::move(typed));
        s.ui.answers.push_back(answer);
        fix_corrupted_recycle_bin(s.services);
    }
    bool bin_gone() const { return !s.files.content(L"C:\\$Recycle.Bin\\S-1-5-21\\$RABC.txt"); }
};

TEST(CorruptedRecycleBin, AsksForTheDriveConfirmsAndDeletesItsRecycleBin) {
    for (const wchar_t* typed : {L"C", L"c", L"C:", L"c:\\"}) {
        RecycleBinRun run{std::wstring(typed)};
        SCOPED_TRACE(to_utf8(typed));
        EXPECT_EQ(run.s.ui.input_prompts, (std::vector<std::pair<std::wstring, std::wstring>>{
                                              {L"Fix Corrupted Recycle Bin", L"Enter the drive letter (example: C)"}}));
        EXPECT_EQ(run.s.ui.boxes, (std::vector<Box>{kConfirm, kNotice}));
        EXPECT_EQ(run.s.files.delete_tree_calls, std::vector<std::wstring>{L"C:\\$Recycle.Bin"});
        EXPECT_TRUE(run.bin_gone());
        EXPECT_EQ(run.s.files.content(L"C:\\Users\\x\\keep.txt"), "keep");
    }
}

TEST(CorruptedRecycleBin, TextThatIsNotADriveLetterIsRefusedAndNothingIsDeleted) {
    for (const wchar_t* typed : {L"..", L"C:\\Users\\x", L"\\\\server\\share", L" ", L"C:\\..", L"$Recycle.Bin",
                                 L"C:\\$Recycle.Bin\\..\\Users",
                                 L"A very long text that someone pasted into the drive letter box by mistake"}) {
        RecycleBinRun run{std::wstring(typed)};
        SCOPED_TRACE(to_utf8(typed));
        EXPECT_EQ(run.s.ui.boxes, std::vector<Box>{kNotADrive});
        EXPECT_TRUE(run.s.files.delete_tree_calls.empty());
        EXPECT_FALSE(run.bin_gone());
    }
}

TEST(CorruptedRecycleBin, CancelNoOrAMissingDriveEndSilently) {
    for (auto [typed, answer] : {std::pair<std::optional<std::wstring>, int>{std::nullopt, mb::id_yes},
                                 {L"C", mb::id_no},
                                 {L"Q", mb::id_yes}}) {
        RecycleBinRun run{typed, answer};
        const std::vector<Box> expected = answer == mb::id_no ? std::vector<Box>{kConfirm} : std::vector<Box>{};
        EXPECT_EQ(run.s.ui.boxes, expected);
        EXPECT_TRUE(run.s.files.delete_tree_calls.empty());
        EXPECT_FALSE(run.bin_gone());
    }
}

// A file of the bin that another program holds open stops the delete: the
// error names the folder and no notice follows.
TEST(CorruptedRecycleBin, AFileThatCannotBeDeletedIsReportedInsteadOfTheNotice) {
    FakeSystem s;
    s.files.add_file(L"C:\\$Recycle.Bin\\S-1-5-21\\$RABC.txt", "deleted file");
    s.files.lock_file(L"C:\\$Recycle.Bin\\S-1-5-21\\$RABC.txt");
    s.ui.inputs.push_back(L"C");
    s.ui.answers.push_back(mb::id_yes);
    EXPECT_EQ(
        s.boxes_after(fix_corrupted_recycle_bin),
        (std::vector<Box>{kConfirm,
                          {L"Cannot delete folder \"C:\\$Recycle.Bin\". The process cannot access the file because "
                           L"it is being used by another process.",
                           L"Vantrix", 0x10}}));
}

TEST(CorruptedRecycleBin, ADriveWithoutARecycleBinStillGetsTheNotice) {
    FakeSystem s;
    s.files.add_directory(L"D:\\Data");
    s.ui.inputs.push_back(L"d");
    s.ui.answers.push_back(mb::id_yes);
    fix_corrupted_recycle_bin(s.services);
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{kConfirm, kNotice}));
    EXPECT_TRUE(s.files.delete_tree_calls.empty());
}

// What cmd does with the text after "/s /c": it drops the first and the last
// quotation mark and runs the rest as a command line.
std::wstring cmd_command_after_s_c(const std::wstring& line) {
    const auto at = line.find(L" /s /c ");
    std::wstring rest = line.substr(at + 7);
    if (!rest.empty() && rest.front() == L'"') {
        rest.erase(0, 1);
        const auto last = rest.rfind(L'"');
        if (last != std::wstring::npos) rest.erase(last, 1);
    }
    return rest;
}

TEST(FolderViewReset, RunsTheStoredScriptQuotedThroughCmdAndDeletesIt) {
    for (const std::wstring temp :
         {L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\", L"C:\\Temp\\", L"D:\\Users\\R&D (old) 100%^!\\Temp\\"}) {
        SCOPED_TRACE(to_utf8(temp));
        FakeSystem s;
        s.services.temp_path = temp;
        s.folders.temp = temp.substr(0, temp.size() - 1);
        s.files.add_directory(temp);
        const std::wstring batch = temp + L"tempbat.bat";
        std::optional<std::string> script_while_running;
        s.runner.on_run = [&](const std::wstring& line) {
            if (line.find(L"cmd.exe") != std::wstring::npos) script_while_running = s.files.content(batch);
        };
        reset_folder_view_settings(s.services);

        const std::wstring line = L"\"C:\\Windows\\system32\\cmd.exe\" /d /v:off /s /c \"\"" + batch + L"\"\"";
        ASSERT_FALSE(s.runner.calls().empty());
        EXPECT_EQ(s.runner.calls().front(), (Call{line, 0, true}));
        // cmd is left with the batch path in quotation marks of its own.
        EXPECT_EQ(cmd_command_after_s_c(line), L"\"" + batch + L"\"");
        ASSERT_TRUE(script_while_running);
        EXPECT_TRUE(script_while_running->starts_with("@echo off\r\n\r\n\r\n\r\n:: To reset folder view settings"));
        // The batch itself no longer ends and starts Explorer: see below.
        EXPECT_TRUE(script_while_running->ends_with("Sizer\" /F\r\n\r\n\r\n:: To kill and restart explorer\r\n"))
            << *script_while_running;
        EXPECT_FALSE(s.files.file_exists(batch));
        EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
    }
}

// Explorer started by the batch would run with this program's administrator
// rights. The restarter ends it after the batch and starts it again with the
// rights of the user's shell (which token it takes, only Windows shows), and
// a restarter that had to leave Explorer running is an error, not a notice.
TEST(FolderViewReset, ExplorerIsRestartedByTheRestarterAfterTheBatchNotByTheBatch) {
    const std::wstring restarter = L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\RestartExp.exe";
    for (const int restarter_code : {0, kRestarterLeftExplorerRunning}) {
        SCOPED_TRACE(restarter_code);
        FakeSystem s;
        s.files.add_directory(s.services.temp_path);
        s.runner.exit_code(restarter, restarter_code);
        const std::wstring batch = s.services.temp_path + L"tempbat.bat";
        std::optional<std::string> script;
        bool batch_gone_when_restarted = false;
        s.runner.on_run = [&](const std::wstring& line) {
            if (line.find(L"cmd.exe") != std::wstring::npos) script = s.files.content(batch);
            if (line.find(L"RestartExp.exe") != std::wstring::npos)
                batch_gone_when_restarted = !s.files.file_exists(batch);
        };
        std::wstring error;
        try {
            reset_folder_view_settings(s.services);
        } catch (const Error& e) {
            error = e.message();
        }
        ASSERT_EQ(s.runner.calls().size(), 2u);
        EXPECT_NE(s.runner.calls()[0].command_line.find(L"cmd.exe"), std::wstring::npos);
        EXPECT_EQ(s.runner.calls()[1].command_line, L"\"" + restarter + L"\"");
        EXPECT_TRUE(batch_gone_when_restarted);
        ASSERT_TRUE(script);
        EXPECT_EQ(script->find("explorer.exe"), std::string::npos) << *script;
        EXPECT_NE(script->find("Reg Delete \"HKCU\\SOFTWARE\\Microsoft\\Windows\\Shell\\BagMRU\" /F"),
                  std::string::npos);
        if (restarter_code == 0) {
            EXPECT_EQ(error, L"");
            EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
        } else {
            EXPECT_EQ(error, kExplorerNotRestartedUnelevated);
            EXPECT_TRUE(s.ui.boxes.empty());
        }
    }
}

TEST(FolderViewReset, AnOldBatchFileIsReplacedAndNoneIsLeftAfterwards) {
    FakeSystem s;
    const std::wstring batch = s.services.temp_path + L"tempbat.bat";
    s.files.add_file(batch, "@echo off\r\nformat c:\r\n");
    std::optional<std::string> script_while_running;
    s.runner.on_run = [&](const std::wstring& line) {
        if (line.find(L"cmd.exe") != std::wstring::npos) script_while_running = s.files.content(batch);
    };
    reset_folder_view_settings(s.services);
    ASSERT_TRUE(script_while_running);
    EXPECT_EQ(script_while_running->find("format"), std::string::npos);
    EXPECT_FALSE(s.files.file_exists(batch));
}

TEST(FolderViewReset, ABatchFileThatCannotBeCreatedRaisesBeforeAnythingRuns) {
    FakeSystem s;
    s.files.add_directory(s.services.temp_path);
    s.files.deny_create_in(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp");
    try {
        reset_folder_view_settings(s.services);
        ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
        EXPECT_TRUE(
            e.message().starts_with(L"Cannot create file \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\tempbat.bat\". "));
    }
    EXPECT_TRUE(s.runner.calls().empty());
    EXPECT_TRUE(s.ui.boxes.empty());
}

TEST(FolderViewReset, AnInterpreterThatCannotStartIsReportedAndTheBatchFileStillGoes) {
    FakeSystem s;
    s.files.add_directory(s.services.temp_path);
    const std::wstring batch = s.services.temp_path + L"tempbat.bat";
    s.runner.missing(L"C:\\Windows\\system32\\cmd.exe");
    reset_folder_view_settings(s.services);
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{{L"This command could not be started:\n\"C:\\Windows\\system32\\cmd.exe\" "
                                             L"/d /v:off /s /c \"\"" +
                                                 batch + L"\"\"",
                                             L"Vantrix", 0x10}}));
    EXPECT_FALSE(s.files.file_exists(batch));
}

TEST(FolderViewReset, TheBatchFileGoesAlsoWhenTheRunRaises) {
    FakeSystem s;
    // A TEMP path so long that the command line is refused.
    s.services.temp_path = L"C:\\" + std::wstring(500, L'x') + L"\\";
    s.files.add_directory(s.services.temp_path);
    EXPECT_THROW(reset_folder_view_settings(s.services), Error);
    EXPECT_FALSE(s.files.file_exists(s.services.temp_path + L"tempbat.bat"));
    EXPECT_TRUE(s.ui.boxes.empty());
}

} // namespace
} // namespace vx
