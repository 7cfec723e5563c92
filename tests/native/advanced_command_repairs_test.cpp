#include <gtest/gtest.h>

#include <string_view>

#include "fixers/advanced/command_repairs.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using Box = test::ScriptedUi::Box;
using Call = test::RecordingRunner::Call;

const Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};

struct CommandCase {
    const char* name;
    void (*repair)(Services&);
    std::vector<Call> calls; // in order, each waited for
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandRepair : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandRepair, RunsItsCommandsInOrderEachWaitedForThenShowsTheNotice) {
    const auto& c = GetParam();
    FakeSystem s;
    // Each command ends before the next starts, and the notice comes after all.
    std::size_t boxes_seen_by_commands = 0;
    s.runner.on_run = [&](const std::wstring&) { boxes_seen_by_commands += s.ui.boxes.size(); };
    // Codes that do not tell whether the repair happened change nothing: net
    // answers 2 for a service already running, ipconfig /release fails for an
    // adapter without a lease, rundll32 does not pass on a result.
    s.runner.exit_code(L"Net", 2);
    s.runner.exit_code(L"ipconfig", 1); // the renewal's code then decides: see below
    s.runner.exit_code(L"rundll32.exe", 1);
    s.runner.on_run = [&](const std::wstring& line) {
        boxes_seen_by_commands += s.ui.boxes.size();
        if (line == L"ipconfig /renew") s.runner.exit_code(L"ipconfig", 0);
    };
    c.repair(s.services);
    EXPECT_EQ(s.runner.calls(), c.calls);
    EXPECT_EQ(boxes_seen_by_commands, 0u);
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
    // The repairs write nothing themselves; System Restore's sc commands set
    // the start types of its three services (SYSTEM\CurrentControlSet\Services\...).
    const std::size_t set_by_sc = std::string_view(c.name) == "SystemRestore" ? 6u : 0u;
    EXPECT_EQ(s.registry.key_count(RootKey::local_machine) + s.registry.key_count(RootKey::current_user), set_by_sc);
}

INSTANTIATE_TEST_SUITE_P(
    Advanced, CommandRepair,
    ::testing::Values(
        CommandCase{
            "FlushDns",
            flush_dns_cache,
            {{L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile /c ipconfig /flushdns", 1,
              true}}},
        CommandCase{"RenewIp", renew_ip_address, {{L"ipconfig /release", 1, true}, {L"ipconfig /renew", 1, true}}},
        CommandCase{"Firewall", reset_firewall, {{L"netsh advfirewall reset", 1, true}}},
        CommandCase{"TcpIp", reset_tcp_ip, {{L"netsh int ip reset", 1, true}}},
        CommandCase{"Winsock", reset_winsock, {{L"netsh winsock reset", 1, true}}},
        CommandCase{"InternetExplorer", reset_ie_settings, {{L"rundll32.exe inetcpl.cpl,ResetIEtoDefaults", 0, true}}},
        CommandCase{"Proxy", reset_proxy, {{L"netsh winhttp reset proxy", 1, true}}},
        CommandCase{"SystemRestore",
                    fix_system_restore,
                    {{L"C:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path SystemRestore Call "
                      L"enable \"C:\\\"",
                      5, true},
                     {L"SC config \"VSS\" start=Auto", 5, true},
                     {L"SC config \"Schedule\" start=Auto", 5, true},
                     {L"SC config \"swprv\" start=Auto", 5, true},
                     {L"Net Start VSS", 5, true},
                     {L"Net Start swprv", 5, true},
                     {L"Net Start Schedule", 5, true}}},
        CommandCase{"GroupPolicy", reset_group_policy, {{L"gpupdate /force", 5, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SystemRestoreRepair, EnablesSystemRestoreOnTheSystemDrive) {
    FakeSystem s;
    s.folders.drive = L"D:\\";
    fix_system_restore(s.services);
    ASSERT_EQ(s.runner.calls().size(), 7u);
    EXPECT_EQ(
        s.runner.calls()[0].command_line,
        L"C:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path SystemRestore Call enable \"D:\\\"");
}

// PowerShell and wmic live below the system folder and are named by their full
// path there, quoted when it holds a blank; no lookup in PATH is left to chance.
TEST(CommandRepairPrograms, ProgramsBelowTheSystemFolderAreNamedByTheirFullPath) {
    struct Case {
        const wchar_t* system_folder;
        void (*repair)(Services&);
        const wchar_t* first_command;
    };
    const Case cases[] = {
        {L"D:\\Win\\System32", flush_dns_cache,
         L"D:\\Win\\System32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile /c ipconfig /flushdns"},
        {L"E:\\My Windows\\System32", flush_dns_cache,
         L"\"E:\\My Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoProfile /c ipconfig /flushdns"},
        {L"D:\\Win\\System32", fix_system_restore,
         L"D:\\Win\\System32\\wbem\\wmic.exe /namespace:\\\\root\\default path SystemRestore Call enable \"C:\\\""},
        {L"E:\\My Windows\\System32", fix_system_restore,
         L"\"E:\\My Windows\\System32\\wbem\\wmic.exe\" /namespace:\\\\root\\default path SystemRestore Call enable "
         L"\"C:\\\""},
    };
    for (const Case& c : cases) {
        FakeSystem s;
        s.folders.system = c.system_folder;
        c.repair(s.services);
        ASSERT_FALSE(s.runner.calls().empty());
        EXPECT_EQ(s.runner.calls()[0].command_line, c.first_command);
    }
}

TEST(SystemRestoreRepair, RunsEveryCommandAndNamesTheOneThatCouldNotStart) {
    FakeSystem s;
    s.runner.missing(L"C:\\Windows\\system32\\wbem\\wmic.exe");
    fix_system_restore(s.services);
    EXPECT_EQ(s.runner.calls().size(), 7u);
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{{L"This command could not be started:\n"
                                             L"C:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path "
                                             L"SystemRestore Call enable \"C:\\\"",
                                             L"Vantrix", 0x10}}));
}

// A command whose failure means the repair did not happen: its line and exit
// code are named in place of the notice, and the later commands still run.
TEST(CommandRepairFailure, AFailingExitCodeIsNamedWithTheCommandLine) {
    struct Case {
        void (*repair)(Services&);
        const wchar_t* program;
        int code;
        const wchar_t* text;
    };
    const Case cases[] = {
        {flush_dns_cache, L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe", 1,
         L"This command failed:\nC:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile /c "
         L"ipconfig /flushdns (exit code 1)"},
        {renew_ip_address, L"ipconfig", 1, L"This command failed:\nipconfig /renew (exit code 1)"},
        {reset_firewall, L"netsh", 1, L"This command failed:\nnetsh advfirewall reset (exit code 1)"},
        {reset_tcp_ip, L"netsh", 1, L"This command failed:\nnetsh int ip reset (exit code 1)"},
        {reset_winsock, L"netsh", 1, L"This command failed:\nnetsh winsock reset (exit code 1)"},
        {reset_proxy, L"netsh", 1, L"This command failed:\nnetsh winhttp reset proxy (exit code 1)"},
        {reset_group_policy, L"gpupdate", 1, L"This command failed:\ngpupdate /force (exit code 1)"},
        // 1060: the service does not exist. A large code shows in hexadecimal.
        {fix_system_restore, L"SC", 1060,
         L"These commands failed:\nSC config \"VSS\" start=Auto (exit code 1060)\n"
         L"SC config \"Schedule\" start=Auto (exit code 1060)\nSC config \"swprv\" start=Auto (exit code 1060)"},
        {fix_system_restore, L"C:\\Windows\\system32\\wbem\\wmic.exe", -2147217406,
         L"This command failed:\nC:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path SystemRestore "
         L"Call enable \"C:\\\" "
         L"(exit code 0x80041002)"},
        // Windows' net gives 2 for a service already running, which is benign;
        // any other code is a failure (Wine's net answers 1 there).
        {fix_system_restore, L"Net", 1,
         L"These commands failed:\nNet Start VSS (exit code 1)\nNet Start swprv (exit code 1)\n"
         L"Net Start Schedule (exit code 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.text));
        FakeSystem s;
        s.runner.exit_code(c.program, c.code);
        c.repair(s.services);
        EXPECT_EQ(s.runner.calls().size(), c.repair == fix_system_restore ? 7u
                                           : c.repair == renew_ip_address ? 2u
                                                                          : 1u);
        EXPECT_EQ(s.ui.boxes, (std::vector<Box>{{c.text, L"Vantrix", 0x10}}));
    }
}

TEST(CommandRepairFailure, CommandsNotStartedAndFailedAreNamedTogether) {
    FakeSystem s;
    s.runner.missing(L"C:\\Windows\\system32\\wbem\\wmic.exe");
    s.runner.exit_code(L"Net", 5);
    fix_system_restore(s.services);
    EXPECT_EQ(s.ui.boxes,
              (std::vector<Box>{{L"This command could not be started:\n"
                                 L"C:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path "
                                 L"SystemRestore Call enable \"C:\\\"\n\n"
                                 L"These commands failed:\nNet Start VSS (exit code 5)\nNet Start swprv (exit code 5)\n"
                                 L"Net Start Schedule (exit code 5)",
                                 L"Vantrix", 0x10}}));
}

TEST(CommandRepairFailure, EveryCommandThatCouldNotStartIsNamedInOrder) {
    FakeSystem s;
    s.runner.missing(L"ipconfig");
    renew_ip_address(s.services);
    EXPECT_EQ(s.runner.calls().size(), 2u);
    EXPECT_EQ(s.ui.boxes,
              (std::vector<Box>{
                  {L"These commands could not be started:\nipconfig /release\nipconfig /renew", L"Vantrix", 0x10}}));
}

TEST(GroupPolicyReset, DeletesBothPolicyFoldersBeforeApplyingThePolicy) {
    FakeSystem s;
    s.folders.system = L"D:\\Windows\\System32";
    s.files.add_file(L"D:\\Windows\\System32\\GroupPolicy\\Machine\\Registry.pol", "PReg");
    s.files.add_file(L"D:\\Windows\\System32\\GroupPolicyUsers\\S-1-5-21\\User\\Registry.pol", "PReg");
    s.files.add_file(L"D:\\Windows\\System32\\GroupPolicyOther\\keep.txt", "keep");
    bool deleted_before_update = false;
    s.runner.on_run = [&](const std::wstring&) {
        deleted_before_update = !s.files.directory_exists(L"D:\\Windows\\System32\\GroupPolicy") &&
                                !s.files.directory_exists(L"D:\\Windows\\System32\\GroupPolicyUsers");
    };
    reset_group_policy(s.services);
    EXPECT_TRUE(deleted_before_update);
    EXPECT_FALSE(s.files.content(L"D:\\Windows\\System32\\GroupPolicy\\Machine\\Registry.pol"));
    EXPECT_FALSE(s.files.content(L"D:\\Windows\\System32\\GroupPolicyUsers\\S-1-5-21\\User\\Registry.pol"));
    EXPECT_EQ(s.files.content(L"D:\\Windows\\System32\\GroupPolicyOther\\keep.txt"), "keep");
    EXPECT_EQ(s.runner.lines(), std::vector<std::wstring>{L"gpupdate /force"});
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
}

// A policy file held open stops the delete: the error names the folder, the
// policy is not applied and no notice follows.
TEST(GroupPolicyReset, AFolderThatCannotBeDeletedIsNamedAndNothingFollows) {
    FakeSystem s;
    s.files.add_file(L"C:\\Windows\\system32\\GroupPolicy\\Machine\\Registry.pol", "PReg");
    s.files.lock_file(L"C:\\Windows\\system32\\GroupPolicy\\Machine\\Registry.pol");
    EXPECT_EQ(s.boxes_after(reset_group_policy),
              (std::vector<Box>{{L"Cannot delete folder \"C:\\Windows\\system32\\GroupPolicy\". The process cannot "
                                 L"access the file because it is being used by another process.",
                                 L"Vantrix", 0x10}}));
    EXPECT_TRUE(s.runner.calls().empty());
}

TEST(GroupPolicyReset, WithNeitherFolderOnlyTheUpdateRuns) {
    FakeSystem s;
    s.files.add_directory(L"C:\\Windows\\system32");
    s.runner.missing(L"gpupdate");
    reset_group_policy(s.services);
    EXPECT_TRUE(s.files.delete_tree_calls.empty());
    EXPECT_EQ(s.runner.lines(), std::vector<std::wstring>{L"gpupdate /force"});
    // A policy update that could not start is said, not hidden behind the notice.
    EXPECT_EQ(s.ui.boxes,
              (std::vector<Box>{{L"This command could not be started:\ngpupdate /force", L"Vantrix", 0x10}}));
}

} // namespace
} // namespace vx
