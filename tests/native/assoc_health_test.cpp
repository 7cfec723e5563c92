#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/assoc_health.h"
#include "fixers/assoc/script_import.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeRegistry;
using Kind = RegistryDifference::Kind;

constexpr RootKey kHkcr = RootKey::classes_root;
constexpr RootKey kHkcu = RootKey::current_user;
constexpr wchar_t kTxtChoice[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt\\UserChoice";

std::vector<std::wstring> stored(const std::wstring& memo) { return test::DiskTextStore().lines(memo); }

std::vector<std::wstring> summaries(FakeRegistry& registry, const std::vector<std::wstring>& script) {
    std::vector<std::wstring> lines;
    for (const auto& d : compare_with_script(registry, regscript::parse(script))) lines.push_back(difference_summary(d));
    return lines;
}

// Whatever another program left under the keys a script replaces, importing
// it leaves exactly the stored data, and the comparison finds nothing.
TEST(AssociationHealth, EveryStoredScriptImportedOverClutterIsIntact) {
    for (const auto& entry : kAssociations) {
        SCOPED_TRACE(entry.type_name);
        FakeRegistry registry;
        registry.put_string(kHkcr, L"txtfile\\shell\\evil\\command", L"", L"evil.exe %1");
        registry.put_string(kHkcr, L".txt", L"Junk", L"x");
        registry.put_string(kHkcu, kTxtChoice, L"ProgId", L"Other.Editor");
        const auto script = stored(entry.memo);
        ASSERT_EQ(test::import_into(registry, script), 0);
        EXPECT_EQ(summaries(registry, script), std::vector<std::wstring>{}) << entry.memo;
    }
}

TEST(AssociationHealth, DamageToAnImportedTypeIsNamed) {
    const std::wstring command = L"txtfile\\shell\\open\\command";
    struct Case {
        const char* what;
        std::function<void(FakeRegistry&)> damage;
        std::vector<std::wstring> expected;
    };
    const std::vector<Case> cases = {
        {"an extra verb", [](FakeRegistry& r) { r.put_string(kHkcr, L"txtfile\\shell\\evil\\command", L"", L"x"); },
         {L"extra command 'evil'"}},
        {"the open command changed",
         [&](FakeRegistry& r) {
             r.put(kHkcr, command, L"", test::string_value(L"evil.exe %1", ValueType::expand_sz));
         },
         {L"open command changed"}},
        // Same text, but REG_SZ keeps %SystemRoot% unexpanded: not the same registration.
        {"the open command of another type",
         [&](FakeRegistry& r) {
             r.put_string(kHkcr, command, L"", L"%SystemRoot%\\system32\\NOTEPAD.EXE %1");
         },
         {L"open command changed"}},
        // Wine's reg.exe stores hex(2) bytes of an ANSI file as ANSI text
        // ("%", NUL, "S", NUL ...); Windows stores them as the UTF-16LE text.
        {"expandable text stored as converted ANSI bytes",
         [&](FakeRegistry& r) {
             std::vector<std::uint8_t> bytes;
             for (char c : std::string("%SystemRoot%\\system32\\NOTEPAD.EXE %1")) {
                 bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0, 0, 0});
             }
             bytes.insert(bytes.end(), {0, 0});
             r.put(kHkcr, command, L"", {ValueType::expand_sz, bytes});
         },
         {L"open command changed"}},
        {"the open command key gone", [&](FakeRegistry& r) { r.remove_key(kHkcr, command); },
         {L"open command missing"}},
        // One line for the highest missing key, not one per key below it.
        {"the whole class gone", [](FakeRegistry& r) { r.remove_key(kHkcr, L"txtfile"); }, {L"key txtfile missing"}},
        {"a value gone",
         [](FakeRegistry& r) {
             Registry reg(r, kKeyAllAccess, kHkcr);
             reg.open_key(L".txt", false);
             reg.delete_value(L"Content Type");
         },
         {L"value 'Content Type' of .txt missing"}},
        {"an extra value under a replaced key",
         [](FakeRegistry& r) { r.put_string(kHkcr, L"txtfile\\shell", L"Junk", L"x"); },
         {L"extra value 'Junk' in txtfile\\shell"}},
        {"a per-user choice the script writes, changed",
         [](FakeRegistry& r) { r.put_string(kHkcu, kTxtChoice, L"ProgId", L"Other.Editor"); },
         {L"value 'ProgId' of HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt"
          L"\\UserChoice changed"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry registry;
        const auto script = stored(L"mFIX_TXT_W10");
        test::import_into(registry, script);
        c.damage(registry);
        EXPECT_EQ(summaries(registry, script), c.expected);
    }
}

// Keys and values the script deletes must be gone; a key below a replaced
// key that the script only deletes counts as extra there.
TEST(AssociationHealth, WhatTheScriptDeletesMustBeAbsent) {
    const std::vector<std::wstring> script = {
        L"Windows Registry Editor Version 5.00",
        L"[-HKEY_CLASSES_ROOT\\gone]",
        L"[-HKEY_CLASSES_ROOT\\kept]",
        L"[-HKEY_CLASSES_ROOT\\kept\\inner]",
        L"[HKEY_CLASSES_ROOT\\kept\\sub]",
        L"@=\"x\"",
        L"[HKEY_CLASSES_ROOT\\plain]",
        L"\"old\"=-",
    };
    FakeRegistry registry;
    ASSERT_EQ(test::import_into(registry, script), 0);
    EXPECT_EQ(summaries(registry, script), std::vector<std::wstring>{});

    registry.create_key(kHkcr, L"gone\\below");
    registry.put_string(kHkcr, L"kept\\inner", L"", L"y");
    registry.put_string(kHkcr, L"plain", L"old", L"z");
    const auto found = compare_with_script(registry, regscript::parse(script));
    EXPECT_EQ(found, (std::vector<RegistryDifference>{
                         {Kind::key_present, kHkcr, L"gone", L""},
                         {Kind::value_present, kHkcr, L"plain", L"old"},
                         {Kind::extra_key, kHkcr, L"kept", L"inner"},
                     }));
}

// A per-user choice overrides the extension whatever HKEY_CLASSES_ROOT
// holds; it is named with the program chosen.
TEST(AssociationHealth, APerUserChoiceTheScriptDoesNotWriteIsReported) {
    FakeRegistry registry;
    const auto script = stored(L"mFIX_CAB_W10");
    test::import_into(registry, script);
    registry.put_string(kHkcu, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.cab\\UserChoice",
                        L"ProgId", L"Archiver.cab");
    const auto lines = summaries(registry, script);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), L"per-user choice of program: Archiver.cab");
}

TEST(AssociationHealth, ErrorListNamesFullKeysAndCountsTheRest) {
    std::vector<RegistryDifference> many(15, {Kind::key_missing, kHkcr, L".txt", L""});
    many[0] = {Kind::extra_key, kHkcr, L"txtfile\\shell", L"evil"};
    const std::wstring text = difference_list(many, 3);
    EXPECT_EQ(text, L"extra command 'evil' in HKEY_CLASSES_ROOT\\txtfile\\shell\n"
                    L"key HKEY_CLASSES_ROOT\\.txt missing\n"
                    L"key HKEY_CLASSES_ROOT\\.txt missing\n"
                    L"... and 12 more");
}

// The page's check of all rows: each row says intact or names its most
// telling difference (an added command before a changed one) and how many
// more there are.
TEST(AssociationHealth, CheckingEveryRowFindsTheDamagedOneOnly) {
    FakeRegistry registry;
    test::DiskTextStore texts;
    for (const auto& entry : kAssociations) test::import_into(registry, texts.lines(entry.memo));
    registry.put_string(kHkcr, L"txtfile\\shell\\evil\\command", L"", L"evil.exe %1");
    registry.put(kHkcr, L"txtfile\\shell\\open\\command", L"", test::string_value(L"evil.exe", ValueType::expand_sz));

    const auto all = check_associations(registry, texts);
    ASSERT_EQ(all.size(), kAssociations.size());
    for (const auto& row : all) {
        SCOPED_TRACE(row.entry->type_name);
        if (std::wstring_view(row.entry->type_name) == L"TXT")
            EXPECT_EQ(row.summary(), L"extra command 'evil' (+1 more)");
        else
            EXPECT_EQ(row.summary(), L"intact");
    }
    EXPECT_EQ(difference_summary(all[18].differences.front()), L"open command changed");
}

// "Done!" only when the registry holds the data, whatever reg.exe answered;
// a failed import names what it left undone.
TEST(ScriptImportCheck, AnImportThatDidNotTakeEndsInAnErrorNamingWhatDiffers) {
    struct Case {
        const char* what;
        std::function<void(test::FakeSystem&)> arrange;
        std::wstring named; // a line the error must hold
    };
    const std::vector<Case> cases = {
        {"reg.exe answers 0 and writes nothing",
         [](test::FakeSystem& s) { s.runner.effect(L"reg.exe", [](const std::wstring&) { return 0; }); },
         L"key HKEY_CLASSES_ROOT\\.txt missing"},
        // On Windows 10 the UserChoice key refuses administrators its changes.
        {"a key whose permissions refuse the change",
         [](test::FakeSystem& s) {
             s.registry.put_string(kHkcu, L"Software\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.txt\\UserChoice",
                                   L"ProgId", L"Other.Editor");
             s.registry.deny_changes(kHkcu, L"Software\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.txt\\UserChoice");
             // The fake reg.exe answers 1 for the refused change, as reg.exe does.
         },
         L"value 'ProgId' of HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.txt"
         L"\\UserChoice changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeSystem s;
        s.files.add_directory(L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp");
        s.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        c.arrange(s);
        import_registry_script(s.services, s.texts.lines(L"mFIX_TXT_W10"), L"TXT");
        ASSERT_EQ(s.ui.boxes.size(), 1u);
        EXPECT_EQ(s.ui.boxes[0].flags, mb::icon_error);
        EXPECT_TRUE(s.ui.boxes[0].text.starts_with(L"Error!")) << s.ui.boxes[0].text;
        EXPECT_NE(s.ui.boxes[0].text.find(c.named), std::wstring::npos) << s.ui.boxes[0].text;
    }
}

} // namespace
} // namespace vx
