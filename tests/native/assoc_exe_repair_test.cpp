#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/exe_repair.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using test::string_value;
using Box = test::ScriptedUi::Box;

constexpr auto HKCR = RootKey::classes_root;
constexpr auto HKCU = RootKey::current_user;

constexpr wchar_t kFileExts[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.exe";
constexpr wchar_t kOpenWith[] = L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.exe";
constexpr wchar_t kInfo[] =
    L"prop:System.FileDescription;System.Company;System.FileVersion;System.DateCreated;System.Size";

RegistryValue sz(const std::wstring& text) {
    return string_value(text);
}
RegistryValue binary(std::vector<std::uint8_t> bytes) {
    return {ValueType::binary, std::move(bytes)};
}

struct Expected {
    int step;
    const wchar_t* key;
    const wchar_t* name;
    RegistryValue value;
};

// What each step leaves under HKCR, in the order of the steps.
const std::vector<Expected>& expected_values() {
    static const std::vector<Expected> values = {
        {1, L".exe\\PersistentHandler", L"", sz(L"{098f2470-bae0-11cd-b579-08002b30bfeb}")},
        {2, L"exefile", L"", sz(L"Application")},
        {2, L"exefile", L"EditFlags", binary({0x38, 0x07, 0x00, 0x00})},
        {2, L"exefile", L"FriendlyTypeName",
         string_value(L"@%SystemRoot%\\System32\\shell32.dll,-10156", ValueType::expand_sz)},
        {3, L"exefile\\DefaultIcon", L"", sz(L"%1")},
        {4, L"exefile\\shell\\open", L"EditFlags", binary({0x00, 0x00, 0x00, 0x00})},
        {5, L"exefile\\shell\\open\\command", L"", sz(L"\"%1\" %*")},
        {5, L"exefile\\shell\\open\\command", L"IsolatedCommand", sz(L"\"%1\" %*")},
        {6, L"exefile\\shell\\runas", L"HasLUAShield", sz(L"")},
        {7, L"exefile\\shell\\runas\\command", L"", sz(L"\"%1\" %*")},
        {7, L"exefile\\shell\\runas\\command", L"IsolatedCommand", sz(L"\"%1\" %*")},
        {8, L"exefile\\shell\\runasuser", L"", sz(L"@shell32.dll,-50944")},
        {8, L"exefile\\shell\\runasuser", L"Extended", sz(L"")},
        {8, L"exefile\\shell\\runasuser", L"SuppressionPolicyEx", sz(L"{F211AA05-D4DF-4370-A2A0-9F19C09756A7}")},
        {9, L"exefile\\shell\\runasuser\\command", L"DelegateExecute", sz(L"{ea72d00e-4960-42fa-ba92-7792a7944c1d}")},
        {10, L"exefile\\shellex\\ContextMenuHandlers", L"", sz(L"Compatibility")},
        {11, L"exefile\\shellex\\ContextMenuHandlers\\Compatibility", L"",
         sz(L"{1d27f844-3a1f-4410-85ac-14651078412d}")},
        {12, L"exefile\\shellex\\ContextMenuHandlers\\NvAppShExt", L"", sz(L"{A929C4CE-FD36-4270-B4F5-34ECAC5BD63C}")},
        {13, L"exefile\\shellex\\ContextMenuHandlers\\OpenGLShExt", L"", sz(L"{E97DEC16-A50D-49bb-AE24-CF682282E08D}")},
        {14, L"exefile\\shellex\\ContextMenuHandlers\\PintoStartScreen", L"",
         sz(L"{470C0EBD-5D73-4d58-9CED-E91E22E23282}")},
        {15, L"exefile\\shellex\\DropHandler", L"", sz(L"{86C86720-42A0-1069-A2E8-08002B30309D}")},
        {16, L"SystemFileAssociations\\.exe", L"InfoTip", sz(kInfo)},
        {16, L"SystemFileAssociations\\.exe", L"TileInfo", sz(kInfo)},
    };
    return values;
}

TEST(ExeRepair, WritesEveryStepsValuesWithTheirTypes) {
    FakeSystem s;
    repair_exe_association(s.services);
    std::map<std::wstring, std::set<std::wstring>> names_by_key;
    for (const auto& e : expected_values()) {
        SCOPED_TRACE(to_utf8(e.key) + " / " + to_utf8(e.name));
        EXPECT_EQ(s.registry.get(HKCR, e.key, e.name), e.value);
        names_by_key[e.key].insert(e.name);
    }
    // Nothing else is written to those keys.
    for (const auto& [key, names] : names_by_key) {
        const auto actual = s.registry.value_names(HKCR, key);
        EXPECT_EQ(std::set<std::wstring>(actual.begin(), actual.end()), names) << to_utf8(key);
    }
    // The string values hold their terminating zero; "empty" is that zero alone.
    EXPECT_EQ(s.registry.get(HKCR, L"exefile\\shell\\runas", L"HasLUAShield")->data, (std::vector<std::uint8_t>{0, 0}));
    EXPECT_TRUE(s.registry.has_key(HKCU, kFileExts));
    EXPECT_TRUE(s.registry.has_key(HKCU, kOpenWith));
    EXPECT_TRUE(s.registry.value_names(HKCU, kFileExts).empty());
    EXPECT_EQ(s.registry.open_handles(), 0u);
    // Reading the keys first creates nothing; every write opens with full access.
    for (const auto& call : s.registry.open_calls()) {
        if (call.create) {
            EXPECT_EQ(call.access, kKeyAllAccess);
        }
    }
}

TEST(ExeRepair, OverwritesItsOwnValuesAndLeavesEverythingElse) {
    FakeSystem s;
    s.registry.put_string(HKCR, L"exefile\\shell\\open\\command", L"", L"C:\\evil.exe \"%1\" %*");
    s.registry.put_dword(HKCR, L"exefile", L"EditFlags", 0);
    s.registry.put_string(HKCR, L"exefile\\shell\\hijack\\command", L"", L"C:\\evil.exe");
    s.registry.put_string(HKCR, L"exefile", L"NoOpen", L"x");
    s.registry.put_string(HKCR, L".exe", L"", L"evilfile");
    s.registry.put_string(HKCU, std::wstring(kFileExts) + L"\\UserChoice", L"ProgId", L"evilfile");

    repair_exe_association(s.services);

    EXPECT_EQ(s.registry.get_string(HKCR, L"exefile\\shell\\open\\command", L""), L"\"%1\" %*");
    EXPECT_EQ(s.registry.get(HKCR, L"exefile", L"EditFlags"), binary({0x38, 0x07, 0x00, 0x00}));
    // The import that follows removes these; the direct writes delete nothing.
    EXPECT_EQ(s.registry.get_string(HKCR, L"exefile\\shell\\hijack\\command", L""), L"C:\\evil.exe");
    EXPECT_EQ(s.registry.get_string(HKCR, L"exefile", L"NoOpen"), L"x");
    EXPECT_EQ(s.registry.get_string(HKCR, L".exe", L""), L"evilfile");
    EXPECT_EQ(s.registry.get_string(HKCU, std::wstring(kFileExts) + L"\\UserChoice", L"ProgId"), L"evilfile");
}

const AssociationEntry& exe_row() {
    const auto& row = kAssociations[4];
    EXPECT_STREQ(row.import_name, L"EXE");
    return row;
}

// A write that fails part way undoes every earlier write, values put back as
// they were and the keys it made deleted, before any script is written or run;
// the error names the value and says that nothing was changed.
TEST(ExeRepair, AWriteThatFailsPartWayUndoesTheEarlierOnesAndSaysNothingWasChanged) {
    struct Case {
        const wchar_t* key;
        bool deny_open; // otherwise the key is there but refuses changes
        const wchar_t* message;
    };
    const Case cases[] = {
        {L".exe\\PersistentHandler", true,
         L"Failed to set data for '' in \"HKEY_CLASSES_ROOT\\.exe\\PersistentHandler\". Nothing was changed"},
        {L"exefile", false, L"Failed to set data for '' in \"HKEY_CLASSES_ROOT\\exefile\". Nothing was changed"},
        {L"exefile\\shell\\open", false,
         L"Failed to set data for 'EditFlags' in \"HKEY_CLASSES_ROOT\\exefile\\shell\\open\". Nothing was changed"},
        {L"exefile\\shell\\runas", false,
         L"Failed to set data for 'HasLUAShield' in \"HKEY_CLASSES_ROOT\\exefile\\shell\\runas\". Nothing was "
         L"changed"},
        {L"SystemFileAssociations\\.exe", true,
         L"Failed to set data for 'InfoTip' in \"HKEY_CLASSES_ROOT\\SystemFileAssociations\\.exe\". Nothing was "
         L"changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.key));
        FakeSystem s;
        s.files.add_directory(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp");
        s.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        // A damaged registration: some values are there and must come back as they were.
        s.registry.put_string(HKCR, L"exefile\\shell\\open\\command", L"", L"C:\\evil.exe \"%1\" %*");
        s.registry.put_dword(HKCR, L"exefile", L"EditFlags", 0);
        s.registry.put_string(HKCR, L"exefile\\DefaultIcon", L"other", L"kept");
        if (c.deny_open) {
            s.registry.deny_open(HKCR, c.key);
        } else {
            s.registry.create_key(HKCR, c.key);
            s.registry.deny_changes(HKCR, c.key);
        }
        const test::FakeRegistry before = s.registry;
        try {
            repair_association(s.services, exe_row());
            ADD_FAILURE() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_TRUE(s.registry == before) << "the registry is not as it was";
        EXPECT_TRUE(s.runner.calls().empty());
        EXPECT_FALSE(s.files.file_exists(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\EXE.reg"));
        EXPECT_TRUE(s.ui.boxes.empty());
        EXPECT_EQ(s.registry.open_handles(), 0u);
    }
}

// A key that cannot even be read is found before anything is written.
TEST(ExeRepair, AKeyThatCannotBeReadStopsTheRepairBeforeAnyWrite) {
    FakeSystem s;
    s.registry.put_string(HKCR, L"exefile\\shell\\runas", L"HasLUAShield", L"");
    s.registry.deny_open(HKCR, L"exefile\\shell\\runas");
    const test::FakeRegistry before = s.registry;
    try {
        repair_exe_association(s.services);
        ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  L"Cannot read the key \"HKEY_CLASSES_ROOT\\exefile\\shell\\runas\": Access is denied. Nothing was "
                  L"changed");
    }
    EXPECT_TRUE(s.registry == before);
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

TEST(ExeRepair, PerUserKeysThatCannotBeOpenedPassSilently) {
    FakeSystem s;
    s.files.add_directory(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp");
    s.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
    s.registry.deny_open(HKCU, kFileExts);
    s.registry.deny_open(HKCU, kOpenWith);
    repair_association(s.services, exe_row());
    EXPECT_EQ(s.runner.calls().size(), 1u);
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{{L"Done!", L"Vantrix", 0x40}}));
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

TEST(ExeRepair, TheRowWritesTheKeysBeforeRegRunsOnEXEReg) {
    FakeSystem s;
    s.files.add_directory(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp");
    s.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
    std::optional<std::wstring> command_at_import;
    bool script_there = false;
    s.runner.on_run = [&](const std::wstring&) {
        command_at_import = s.registry.get_string(HKCR, L"exefile\\shell\\open\\command", L"IsolatedCommand");
        script_there = s.files.content(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\EXE.reg").has_value();
    };
    repair_association(s.services, exe_row());
    EXPECT_EQ(command_at_import, L"\"%1\" %*");
    EXPECT_TRUE(script_there);
    EXPECT_EQ(s.runner.lines(),
              std::vector<std::wstring>{L"reg.exe import \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\EXE.reg\""});
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{{L"Done!", L"Vantrix", 0x40}}));
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

} // namespace
} // namespace vx
