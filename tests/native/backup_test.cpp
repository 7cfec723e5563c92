#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/restrict/restriction_model.h"
#include "fixers/undo/backup.h"
#include "fixers/undo/backup_plans.h"
#include "services/error.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeRegistry;
using test::FakeSystem;
constexpr auto HKCR = RootKey::classes_root;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kRoot[] = L"C:\\ProgramData\\Vantrix\\Backups";
constexpr wchar_t kTime[] = L"2026-12-11 02:30:05";
constexpr wchar_t kHosts[] = L"C:\\Windows\\System32\\drivers\\etc\\hosts";

struct FakeBackupFolders : BackupFolders {
    std::wstring problem; // when set, the folder cannot be used
    std::wstring root() override {
        if (!problem.empty()) throw Error(problem);
        return kRoot;
    }
};

// A fake system with the backup folder, the temporary folder, the Registry
// Editor and the hosts file in place.
struct UndoSystem : FakeSystem {
    FakeBackupFolders backups;
    UndoSystem() {
        for (const wchar_t* folder : {L"C:\\ProgramData", L"C:\\ProgramData\\Vantrix", kRoot,
                                      L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp", L"C:\\Windows\\System32",
                                      L"C:\\Windows\\System32\\drivers", L"C:\\Windows\\System32\\drivers\\etc"})
            files.add_directory(folder);
        files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        files.add_file(kHosts, "127.0.0.1 intranet.example # kept on purpose\r\n");
    }
    std::vector<BackupSummary> list() { return list_backups(services, backups); }
};

RegistryValue bytes_value(ValueType type, std::vector<std::uint8_t> data) { return {type, std::move(data)}; }

// Values the export must carry through exactly, each of a kind a careless
// writer would get wrong.
void plant_awkward_values(FakeRegistry& r, const std::wstring& key) {
    r.put_string(HKCU, key, L"", L"default text");
    r.put_string(HKCU, key, L"quote\"and\\slash", L"C:\\Program Files\\\"x\".exe \"%1\"");
    r.put(HKCU, key, L"multi", bytes_value(ValueType::multi_sz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    r.put(HKCU, key, L"qword", bytes_value(ValueType::qword, {1, 2, 3, 4, 5, 6, 7, 8}));
    r.put(HKCU, key, L"odd expand", bytes_value(ValueType::expand_sz, {'%', 0, 'x'}));
    r.put(HKCU, key, L"text without zero", bytes_value(ValueType::sz, {'a', 0, 'b', 0}));
    r.put(HKCU, key, L"line break in data", bytes_value(ValueType::sz, registry_string_bytes(L"one\r\ntwo")));
    r.put(HKCU, key, L"empty binary", bytes_value(ValueType::binary, {}));
    std::vector<std::uint8_t> long_list(300);
    for (std::size_t i = 0; i < long_list.size(); ++i) long_list[i] = static_cast<std::uint8_t>(i * 7);
    r.put(HKCU, key, L"long binary", bytes_value(ValueType::binary, long_list));
    r.put(HKCU, key, L"long text", bytes_value(ValueType::sz, registry_string_bytes(std::wstring(2000, L'x'))));
    r.put(HKCU, key + L"\\Sub\\Deeper", L"", bytes_value(ValueType::dword, {7, 0, 0, 0}));
    r.put(HKCU, key + L"\\Sub", L"type 0x1234", bytes_value(static_cast<ValueType>(0x1234), {9}));
}

TEST(RegistryBackup, PutsAKeySavedWholeBackExactlyWhateverItHeld) {
    FakeRegistry r;
    plant_awkward_values(r, L"Software\\Saved");
    r.put_string(HKCU, L"Software\\Beside", L"kept", L"untouched");
    const FakeRegistry before = r;

    const auto lines = export_registry(r, {{HKCU, L"Software\\Saved", {}}});
    EXPECT_EQ(lines.front(), L"Windows Registry Editor Version 5.00");
    for (const auto& line : lines) EXPECT_LE(line.size(), 1024u) << to_utf8(line);
    const auto script = regscript::parse(lines, regscript::Types::any);

    // A repair changes, adds and deletes below the saved key.
    r.put_string(HKCU, L"Software\\Saved", L"", L"changed");
    r.put_string(HKCU, L"Software\\Saved\\shell\\evil\\command", L"", L"C:\\evil.exe");
    r.remove_key(HKCU, L"Software\\Saved\\Sub");
    r.put_string(HKCU, L"Software\\Saved", L"added", L"x");

    EXPECT_TRUE(apply_registry_script(r, script).empty());
    EXPECT_TRUE(r == before);
    EXPECT_TRUE(compare_with_script(r, script, false).empty());
    // Twice changes nothing.
    EXPECT_TRUE(apply_registry_script(r, script).empty());
    EXPECT_TRUE(r == before);
}

TEST(RegistryBackup, RecordsMissingKeysAndValuesSoThatUndoRemovesWhatTheRepairMade) {
    FakeRegistry r;
    r.put_string(HKCU, L"Software\\Present", L"kept", L"as it was");
    r.create_key(HKCU, L"Software\\Parent");
    const FakeRegistry before = r;
    const auto script = regscript::parse(
        export_registry(r, {{HKCU, L"Software\\Present", {L"kept", L"missing"}},
                            {HKCU, L"Software\\Parent\\Absent\\Deep", {L"value"}},
                            {HKCU, L"Software\\Gone", {}}}),
        regscript::Types::any);

    r.put_string(HKCU, L"Software\\Present", L"kept", L"changed");
    r.put_string(HKCU, L"Software\\Present", L"missing", L"made by the repair");
    r.put_string(HKCU, L"Software\\Parent\\Absent\\Deep", L"value", L"made");
    r.create_key(HKCU, L"Software\\Gone\\Child");

    EXPECT_TRUE(apply_registry_script(r, script).empty());
    // The parent that existed stays; the keys below it that the repair made go.
    EXPECT_TRUE(r == before);
}

TEST(RegistryBackup, AKeyThatCannotBeReadStopsTheBackup) {
    FakeRegistry r;
    r.put_string(HKLM, L"SOFTWARE\\Locked", L"x", L"y");
    r.deny_open(HKLM, L"SOFTWARE\\Locked");
    try {
        export_registry(r, {{HKLM, L"SOFTWARE\\Locked", {}}});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked"), std::wstring::npos);
    }
}

TEST(RegistryBackup, ARefusedWriteIsNamedAndTheRestIsStillPutBack) {
    FakeRegistry r;
    r.put_string(HKCU, L"Software\\A", L"v", L"old");
    r.put_string(HKCU, L"Software\\B", L"v", L"old");
    const auto script =
        regscript::parse(export_registry(r, {{HKCU, L"Software\\A", {L"v"}}, {HKCU, L"Software\\B", {L"v"}}}),
                         regscript::Types::any);
    r.put_string(HKCU, L"Software\\A", L"v", L"new");
    r.put_string(HKCU, L"Software\\B", L"v", L"new");
    r.deny_changes(HKCU, L"Software\\A");

    const auto refused = apply_registry_script(r, script);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find(L"HKEY_CURRENT_USER\\Software\\A"), std::wstring::npos);
    EXPECT_EQ(r.get_string(HKCU, L"Software\\B", L"v"), L"old");
    EXPECT_EQ(compare_with_script(r, script, false).size(), 1u);
}

const AssociationEntry& txt() {
    for (const auto& entry : kAssociations)
        if (std::wstring_view(entry.type_name) == L"TXT") return entry;
    throw Error(L"no TXT row");
}

TEST(Undo, AnAssociationFixAndTheHostsResetAreTakenBackExactly) {
    UndoSystem s;
    // The person's own verb and hosts line, there on purpose.
    s.registry.put_string(HKCR, L"txtfile\\shell\\mine\\command", L"", L"C:\\Tools\\mine.exe \"%1\"");
    s.registry.put_string(HKCR, L".txt", L"Content Type", L"text/x-custom");
    const FakeRegistry before = s.registry;
    const auto hosts_before = s.files.content(kHosts);

    fix_association_with_backup(s.services, s.backups, kTime, txt());
    const auto hosts = advanced_undo(L"btnFIXFILEHOST", s.services);
    run_with_backup(s.services, s.backups, L"2026-12-11 02:31:00", L"Reset host file to default.", L"btnFIXFILEHOST",
                    hosts.plan, [&] { find_advanced_row(L"btnFIXFILEHOST")->repair(s.services); });
    ASSERT_FALSE(s.registry.has_key(HKCR, L"txtfile\\shell\\mine"));
    ASSERT_NE(s.files.content(kHosts), hosts_before);

    const auto list = s.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].repair, L"Reset host file to default.") << "newest first";
    EXPECT_EQ(list[0].contents, std::wstring(L"file: ") + kHosts);
    EXPECT_EQ(list[1].time, kTime);
    // The fake file system keeps names in lower case.
    EXPECT_TRUE(equals_ignore_case(list[1].folder, std::wstring(kRoot) + L"\\2026-12-11 02.30.05 btnFIXTXTFILE"));

    for (int twice = 0; twice < 2; ++twice) {
        for (const auto& backup : list) EXPECT_EQ(restore_backup(s.services, backup.folder), std::vector<std::wstring>{});
        EXPECT_TRUE(s.registry == before);
        EXPECT_EQ(s.files.content(kHosts), hosts_before);
    }
}

TEST(Undo, ARepairWhoseBackupCannotBeWrittenDoesNotRun) {
    struct Case {
        const char* name;
        void (*arrange)(UndoSystem&);
    };
    const Case cases[] = {
        {"backup folder not private", [](UndoSystem& s) { s.backups.problem = L"someone else owns it"; }},
        {"backup folder refuses files", [](UndoSystem& s) { s.files.deny_create_in(kRoot); }},
        {"key cannot be read", [](UndoSystem& s) { s.registry.deny_open(HKCR, L"txtfile"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UndoSystem s;
        s.registry.put_string(HKCR, L"txtfile\\shell\\evil\\command", L"", L"C:\\evil.exe");
        c.arrange(s);
        const FakeRegistry before = s.registry;
        bool ran = false;
        run_with_backup(s.services, s.backups, kTime, L"TXT", L"btnFIXTXTFILE", association_backup_plan(s.texts, txt()),
                        [&] { ran = true; });
        EXPECT_FALSE(ran);
        EXPECT_TRUE(s.registry == before);
        ASSERT_EQ(s.ui.boxes.size(), 1u);
        EXPECT_TRUE(s.ui.boxes[0].text.starts_with(kBackupFailedText)) << to_utf8(s.ui.boxes[0].text);
        EXPECT_EQ(s.ui.boxes[0].flags, mb::icon_error);
        // A backup begun and not finished leaves nothing behind.
        if (s.backups.problem.empty()) {
            EXPECT_TRUE(s.files.folder_entries(kRoot).empty());
        }
    }
}

TEST(Undo, PolicyFoldersAndFirewallRulesAreSavedBeforeTheyAreReset) {
    UndoSystem s;
    const std::wstring policy = L"C:\\Windows\\system32\\GroupPolicy";
    s.files.add_directory(policy);
    s.files.add_directory(policy + L"\\Machine");
    s.files.add_file(policy + L"\\Machine\\Registry.pol", "PReg policy");
    s.files.add_file(policy + L"\\gpt.ini", "[General]");
    const auto gp = advanced_undo(L"btnResetGPedit", s.services);
    run_with_backup(s.services, s.backups, kTime, L"Reset Group Policy", L"btnResetGPedit", gp.plan,
                    [&] { find_advanced_row(L"btnResetGPedit")->repair(s.services); });
    ASSERT_FALSE(s.files.directory_exists(policy));
    ASSERT_EQ(s.list().size(), 1u);
    EXPECT_EQ(restore_backup(s.services, s.list()[0].folder), std::vector<std::wstring>{});
    EXPECT_EQ(s.files.content(policy + L"\\Machine\\Registry.pol"), "PReg policy");
    EXPECT_EQ(s.files.content(policy + L"\\gpt.ini"), "[General]");
    // GroupPolicyUsers was not there: after undo it is not there either.
    EXPECT_FALSE(s.files.directory_exists(L"C:\\Windows\\system32\\GroupPolicyUsers"));

    // The firewall export must succeed, file and all, or the reset does not run.
    const auto firewall = advanced_undo(L"btnRESETFIREWALL", s.services);
    bool reset = false;
    s.runner.exit_code(L"netsh.exe", 1);
    run_with_backup(s.services, s.backups, L"2026-12-11 02:40:00", L"Firewall", L"btnRESETFIREWALL", firewall.plan,
                    [&] { reset = true; });
    EXPECT_FALSE(reset);
    s.runner.effect(L"netsh.exe", [&](const std::wstring& line) {
        const auto quote = line.find(L'"');
        if (line.find(L" export ") != std::wstring::npos)
            s.files.add_file(line.substr(quote + 1, line.size() - quote - 2), "rules");
        return 0;
    });
    s.runner.exit_code(L"netsh.exe", 0);
    run_with_backup(s.services, s.backups, L"2026-12-11 02:41:00", L"Firewall", L"btnRESETFIREWALL", firewall.plan,
                    [&] { reset = true; });
    EXPECT_TRUE(reset);
    EXPECT_EQ(s.list()[0].contents, L"firewall rules");
    EXPECT_EQ(restore_backup(s.services, s.list()[0].folder), std::vector<std::wstring>{});
    EXPECT_NE(s.runner.lines().back().find(L"advfirewall import"), std::wstring::npos);
}

// Every Advanced repair that changes the registry saves each key and value it
// changes: run against a registry holding other data everywhere it writes,
// then undone, the registry is as before.
TEST(Undo, EveryRegistryRepairOfTheAdvancedPageIsTakenBack) {
    for (const auto& row : advanced_rows()) {
        if (row.kind != AdvancedRow::Kind::repair) continue;
        UndoSystem s;
        const auto undo = advanced_undo(row.component, s.services);
        // Only the repairs that change nothing in the registry save no keys;
        // any other repair with an empty plan would run without a backup.
        const bool no_registry = row.component == L"btnFIXRECYLEBINCORRUPT" || row.component == L"btnFIXDNSCACHE" ||
                                 row.component == L"btnRenewIP" || row.component == L"btnRESETFIREWALL" ||
                                 row.component == L"btnFIXFILEHOST" || row.component == L"btnFIXTCPIP" ||
                                 row.component == L"btnFIXWINSOCK" || row.component == L"btnRESETIESETTINGS" ||
                                 row.component == L"btnResetGPedit";
        EXPECT_NE(undo.plan.keys.empty(), !no_registry) << to_utf8(std::wstring(row.component));
        if (undo.plan.keys.empty()) continue;
        SCOPED_TRACE(to_utf8(std::wstring(row.component)));
        // Keys the repairs expect, holding other data.
        s.registry.put_dword(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\WSearch", L"Start", 4);
        s.registry.put_dword(HKLM, L"SOFTWARE\\Microsoft\\Windows Search", L"SetupCompletedSuccessfully", 1);
        s.registry.put_string(HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", L"Shell", L"evil.exe");
        s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum",
                             L"{645FF040-5081-101B-9F08-00AA002F954E}", 1);
        s.registry.put_string(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\C\\DefaultIcon",
                              L"", L"evil.ico");
        s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", L"IconsOnly", 1);
        const FakeRegistry before = s.registry;
        run_with_backup(s.services, s.backups, kTime, std::wstring(row.text), std::wstring(row.component), undo.plan,
                        [&] {
                            try {
                                row.repair(s.services);
                            } catch (const Error&) {
                            }
                        });
        // netsh, the folder-view batch and sc change the registry themselves,
        // which the fake runner does not model.
        const bool by_command = row.component == L"btnResetProxy" || row.component == L"btnFIXFOLDERVIEWSETTINGS" ||
                                row.component == L"btnFIXSYSRESTORE";
        if (!by_command) {
            EXPECT_FALSE(s.registry == before) << "the repair changed nothing";
        }
        ASSERT_EQ(s.list().size(), 1u);
        EXPECT_EQ(restore_backup(s.services, s.list()[0].folder), std::vector<std::wstring>{});
        if (row.component == L"btnFIXHIBERNATE") {
            // Hibernation stays on, as the Undo window says: powercfg set it.
            const std::wstring control = L"SYSTEM\\CurrentControlSet\\Control";
            EXPECT_EQ(s.registry.get_dword(HKLM, control + L"\\Power", L"HibernateEnabled"), 1u);
            s.registry.remove_key(HKLM, before.has_key(HKLM, control) ? control + L"\\Power" : control);
        }
        EXPECT_TRUE(s.registry == before);
    }
}

// Every row's FIX saves each key it changes: with something of the person's
// own in every key its script writes, the FIX undone leaves the registry as
// it was (the EXE row writes keys directly before its import).
TEST(Undo, EveryAssociationFixIsTakenBack) {
    for (const auto& entry : kAssociations) {
        SCOPED_TRACE(to_utf8(entry.type_name));
        UndoSystem s;
        for (const auto& section : regscript::parse(s.texts.lines(entry.memo)).sections)
            if (!section.deletion)
                s.registry.put_string(section.root, section.path, L"Vantrix test", L"kept on purpose");
        const FakeRegistry before = s.registry;
        fix_association_with_backup(s.services, s.backups, kTime, entry);
        ASSERT_FALSE(s.registry == before) << "the FIX changed nothing";
        ASSERT_EQ(s.list().size(), 1u);
        EXPECT_EQ(restore_backup(s.services, s.list()[0].folder), std::vector<std::wstring>{});
        EXPECT_TRUE(s.registry == before);
    }
}

// A stored script that cannot be read names no keys to save: the FIX does
// not run at all.
TEST(Undo, AFixWhoseScriptCannotBeReadChangesNothing) {
    struct BrokenTexts : test::DiskTextStore {
        std::vector<std::wstring> lines(const std::wstring& name) const override {
            if (name == L"mFIX_TXT_W10") return {L"Windows Registry Editor Version 5.00", L"", L"not a line"};
            return DiskTextStore::lines(name);
        }
    } texts;
    UndoSystem s;
    Services broken{s.registry, s.runner, s.files, s.folders, texts, s.ui, s.services.temp_path};
    const FakeRegistry before = s.registry;
    fix_association_with_backup(broken, s.backups, kTime, txt());
    EXPECT_TRUE(s.registry == before);
    EXPECT_TRUE(s.runner.calls().empty()) << "reg.exe ran without a backup";
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_TRUE(s.ui.boxes[0].text.starts_with(kBackupFailedText)) << to_utf8(s.ui.boxes[0].text);
    EXPECT_TRUE(s.files.folder_entries(kRoot).empty());
}

TEST(Undo, RemovedRestrictionsAreSavedFirstAndComeBackWithUndo) {
    const std::wstring system = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    for (const bool backup_fails : {false, true}) {
        SCOPED_TRACE(backup_fails ? "backup fails" : "backup written");
        UndoSystem s;
        if (backup_fails) s.files.deny_create_in(kRoot);
        s.registry.put_dword(HKCU, system, L"DisableTaskMgr", 1);
        s.registry.put_dword(HKCU, system, L"DisableRegistryTools", 1);
        const FakeRegistry before = s.registry;
        RestrictionModel model(s.registry, s.ui);
        model.set_backup([&](const BackupPlan& plan) {
            return back_up(s.services, s.backups, kTime, L"Remove Restriction", L"btnFIXRESTRICT", plan);
        });
        model.scan();
        model.check_all(true);
        model.remove_selected();
        if (backup_fails) {
            EXPECT_TRUE(s.registry == before) << "a restriction went without its backup";
            EXPECT_TRUE(s.ui.boxes.back().text.starts_with(kBackupFailedText));
            continue;
        }
        ASSERT_EQ(s.registry.get(HKCU, system, L"DisableTaskMgr"), std::nullopt);
        ASSERT_EQ(s.list().size(), 1u);
        EXPECT_EQ(restore_backup(s.services, s.list()[0].folder), std::vector<std::wstring>{});
        EXPECT_TRUE(s.registry == before);
    }
}

} // namespace
} // namespace vx
