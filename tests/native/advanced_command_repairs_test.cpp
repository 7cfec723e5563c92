#include <gtest/gtest.h>

#include "fixers/advanced/command_repairs.h"
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
    // Failure exit codes change nothing.
    for (const wchar_t* program :
         {L"netsh", L"ipconfig", L"SC", L"Net", L"C:\\Windows\\system32\\wbem\\wmic.exe", L"gpupdate"})
        s.runner.exit_code(program, 1);
    c.repair(s.services);
    EXPECT_EQ(s.runner.calls(), c.calls);
    EXPECT_EQ(boxes_seen_by_commands, 0u);
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
    EXPECT_EQ(s.registry.key_count(RootKey::local_machine) + s.registry.key_count(RootKey::current_user), 0u);
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
