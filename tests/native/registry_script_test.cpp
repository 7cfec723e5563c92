#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixers/assoc/registry_script.h"
#include "services/error.h"
#include "services/text.h"

namespace vx::regscript {
namespace {

constexpr const wchar_t* kHeaderLine = L"Windows Registry Editor Version 5.00";

// A script from lines given after the header line.
std::vector<std::wstring> script(std::initializer_list<std::wstring> body) {
    std::vector<std::wstring> lines{kHeaderLine};
    lines.insert(lines.end(), body);
    return lines;
}

std::wstring repeat(const std::wstring& piece, std::size_t times) {
    std::wstring out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(RegistryScriptReader, RejectsMalformedLinesWithTheirNumberAndReason) {
    const std::wstring key = L"[HKEY_CLASSES_ROOT\\.txt]";
    // A first line of 81 characters: 24 bytes after "A"=hex: and the backslash.
    const std::wstring long_first = L"\"A\"=hex:" + repeat(L"00,", 24) + L"\\";
    const std::wstring long_continuation = L"  " + repeat(L"00,", 26) + L"\\";
    struct Case {
        const char* what;
        std::vector<std::wstring> lines;
        int line;
        const wchar_t* reason;
    };
    const Case cases[] = {
        {"empty script", {}, 1, reason::missing_header},
        {"header not on line 1", {L"", kHeaderLine}, 1, reason::missing_header},
        {"older header", {L"REGEDIT4"}, 1, reason::missing_header},
        {"unknown line kind", script({L"", key, L"x=1"}), 4, reason::unknown_line},
        {"single leading blank", script({key, L" 00"}), 3, reason::unknown_line},
        {"default without =", script({key, L"@\"a\""}), 3, reason::unknown_line},
        {"value before any key", script({L"@=\"a\""}), 2, reason::value_outside_key},
        {"value under a deletion", script({L"[-HKEY_CLASSES_ROOT\\.txt]", L"@=\"a\""}), 3, reason::value_outside_key},
        {"stray continuation", script({key, L"\"A\"=hex:00,01", L"  02,03"}), 4, reason::stray_continuation},
        {"list not continued", script({key, L"\"A\"=hex:00,\\", L"01"}), 4, reason::continuation_expected},
        {"list continued past the end", script({key, L"\"A\"=hex:00,\\"}), 3, reason::unfinished_list},
        {"continuation continued past the end", script({key, L"\"A\"=hex:00,\\", L"  01,\\"}), 4,
         reason::unfinished_list},
        {"odd hex digits", script({key, L"\"A\"=hex:00,1,02"}), 3, reason::malformed_byte},
        {"three hex digits", script({key, L"\"A\"=hex:000"}), 3, reason::malformed_byte},
        {"not a hex digit", script({key, L"\"A\"=hex:0g"}), 3, reason::malformed_byte},
        {"upper-case hex byte", script({key, L"\"A\"=hex:0A"}), 3, reason::upper_case_hex},
        {"upper-case hex in a continuation", script({key, L"\"A\"=hex:00,\\", L"  Ff"}), 4, reason::upper_case_hex},
        {"upper-case dword", script({key, L"\"A\"=dword:0000000A"}), 3, reason::upper_case_hex},
        {"short dword", script({key, L"\"A\"=dword:1"}), 3, reason::malformed_dword},
        {"long dword", script({key, L"\"A\"=dword:000000001"}), 3, reason::malformed_dword},
        {"empty byte between commas", script({key, L"\"A\"=hex:00,,01"}), 3, reason::malformed_byte},
        {"list ends with a comma", script({key, L"\"A\"=hex:00,"}), 3, reason::malformed_byte},
        {"backslash without comma", script({key, L"\"A\"=hex:00\\", L"  01"}), 3, reason::malformed_list},
        {"empty expandable text", script({key, L"@=hex(2):"}), 3, reason::malformed_expand},
        {"empty continuation", script({key, L"\"A\"=hex:00,\\", L"  "}), 4, reason::malformed_list},
        {"odd expandable text", script({key, L"@=hex(2):41,00,00"}), 3, reason::malformed_expand},
        {"expandable text without its zero", script({key, L"@=hex(2):41,00"}), 3, reason::malformed_expand},
        {"expandable text unfinished over lines", script({key, L"@=hex(2):41,00,\\", L"  42,00"}), 3,
         reason::malformed_expand},
        {"multi-string", script({key, L"\"A\"=hex(7):00,00"}), 3, reason::unsupported_type},
        {"default dword", script({key, L"@=dword:00000001"}), 3, reason::unsupported_type},
        {"unknown data", script({key, L"\"A\"=1"}), 3, reason::unknown_line},
        {"unterminated text", script({key, L"@=\"abc"}), 3, reason::malformed_text},
        {"text after the quote", script({key, L"@=\"abc\"x"}), 3, reason::malformed_text},
        {"unterminated name", script({key, L"\"A=\"b\""}), 3, reason::unknown_line},
        {"unknown escape", script({key, L"@=\"C:\\Windows\""}), 3, reason::unknown_escape},
        {"short root name", script({L"[HKCR\\.txt]"}), 2, reason::unknown_root},
        {"other root", script({L"[HKEY_USERS\\.DEFAULT\\x]"}), 2, reason::unknown_root},
        {"root in lower case", script({L"[hkey_classes_root\\.txt]"}), 2, reason::unknown_root},
        {"root alone", script({L"[HKEY_CLASSES_ROOT]"}), 2, reason::malformed_key},
        {"empty key name", script({L"[HKEY_CLASSES_ROOT\\a\\\\b]"}), 2, reason::malformed_key},
        {"trailing backslash", script({L"[HKEY_CLASSES_ROOT\\a\\]"}), 2, reason::malformed_key},
        {"no closing bracket", script({L"[HKEY_CLASSES_ROOT\\a"}), 2, reason::malformed_key},
        {"deletion after the key", script({key, L"", L"[-HKEY_CLASSES_ROOT\\.TXT]"}), 4, reason::late_deletion},
        {"deletion after a key below",
         script({L"[HKEY_CURRENT_USER\\Software\\A\\B]", L"[-HKEY_CURRENT_USER\\SOFTWARE\\a]"}), 3,
         reason::late_deletion},
        {"continued line too long", script({key, long_first, L"  00"}), 3, reason::too_long},
        {"first line of a list too long", script({key, L"\"ABC\"=hex:" + repeat(L"00,", 23) + L"\\", L"  00"}), 3,
         reason::too_long},
        {"continuation line too long", script({key, L"\"A\"=hex:00,\\", long_continuation, L"  00"}), 4,
         reason::too_long},
        {"overall limit", script({key, L"@=\"" + std::wstring(kMaxLine, L'a') + L"\""}), 3, reason::too_long},
    };
    for (const auto& c : cases) {
        try {
            parse(c.lines);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const ParseError& e) {
            EXPECT_EQ(e.line(), c.line) << c.what;
            EXPECT_EQ(e.reason(), c.reason) << c.what << ": " << to_utf8(e.reason());
        }
    }
}

TEST(RegistryScriptReader, AcceptsLinesAtTheirLengthLimits) {
    // The Registry Editor's own wrapping: 79 characters on a first line, 78 on
    // a continuation line, both with the backslash.
    const std::wstring first = L"\"AB\"=hex:" + repeat(L"00,", 23) + L"\\";
    const std::wstring middle = L"  " + repeat(L"00,", 25) + L"\\";
    ASSERT_EQ(first.size(), kMaxContinuedLine);
    ASSERT_EQ(middle.size(), kMaxContinuationLine);
    const auto parsed = parse(script(
        {L"[HKEY_CLASSES_ROOT\\x]", first, middle, L"  01", L"@=\"" + std::wstring(kMaxLine - 4, L'a') + L"\""}));
    ASSERT_EQ(parsed.sections.size(), 1u);
    const auto& values = parsed.sections[0].values;
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].data.size(), 49u);
    EXPECT_EQ(values[0].data.back(), 1);
    EXPECT_EQ(parsed.counts.continuation, 2);
}

TEST(RegistryScriptReader, ParsesSectionsAndDecodesEveryValueType) {
    const auto parsed = parse({
        kHeaderLine,
        L"",
        L"; restores the type",
        L"",
        L"[-HKEY_CLASSES_ROOT\\.txt]",
        L"",
        L"[HKEY_CLASSES_ROOT\\.txt]",
        L"@=\"txtfile\"",
        L"\"Content Type\"=\"text/plain\"",
        L"",
        L"[HKEY_CLASSES_ROOT\\scrfile\\shell\\config\\command]",
        L"@=\"\\\"%1\\\" /S\"",
        L"\"Path\"=\"C:\\\\Windows\\\\\"",
        L"\"EditFlags\"=dword:00010000",
        L"\"Flags\"=hex:38,07,00,00",
        L"\"Empty\"=hex(0):",
        L"\"NoBytes\"=hex:",
        L"\"Gone\"=-",
        L"",
        L"[HKEY_CLASSES_ROOT\\themepackfile\\DefaultIcon]",
        L"@=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,\\",
        L"  00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,74,00,68,00,\\",
        L"  65,00,6d,00,65,00,75,00,69,00,2e,00,64,00,6c,00,6c,00,2c,00,2d,00,37,00,30,\\",
        L"  00,34,00,00,00",
        L"",
        L"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.cab\\OpenWithList]",
        L"",
        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons]",
        L"\"29\"=-",
        L"",
        L"[HKEY_CLASSES_ROOT\\Directory\\shellex\\ContextMenuHandlers\\ FileSyncEx]",
        L"@=\"{CB3D0F55-BC2C-4C1A-85ED-23ED75B5106B}\"",
    });
    ASSERT_EQ(parsed.sections.size(), 7u);
    const auto& s = parsed.sections;
    EXPECT_TRUE(s[0].deletion);
    EXPECT_EQ(s[0].root, RootKey::classes_root);
    EXPECT_EQ(s[0].path, L".txt");
    EXPECT_EQ(s[0].line, 5);
    EXPECT_FALSE(s[1].deletion);
    EXPECT_EQ(s[1].full_path(), L"HKEY_CLASSES_ROOT\\.txt");

    ASSERT_EQ(s[1].values.size(), 2u);
    EXPECT_TRUE(s[1].values[0].is_default);
    EXPECT_EQ(s[1].values[0].type, ValueType::sz);
    EXPECT_EQ(s[1].values[0].data, registry_string_bytes(L"txtfile"));
    EXPECT_EQ(s[1].values[1].name, L"Content Type");
    EXPECT_EQ(s[1].values[1].text(), L"text/plain");

    const auto& v = s[2].values;
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[0].text(), L"\"%1\" /S");
    EXPECT_EQ(v[1].text(), L"C:\\Windows\\");
    EXPECT_EQ(v[2].type, ValueType::dword);
    EXPECT_EQ(v[2].data, (std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(v[3].type, ValueType::binary);
    EXPECT_EQ(v[3].data, (std::vector<std::uint8_t>{0x38, 0x07, 0x00, 0x00}));
    EXPECT_EQ(v[4].type, ValueType::none);
    EXPECT_TRUE(v[4].data.empty());
    EXPECT_EQ(v[5].type, ValueType::binary);
    EXPECT_TRUE(v[5].data.empty());
    EXPECT_TRUE(v[6].deletion);
    EXPECT_EQ(v[6].name, L"Gone");
    EXPECT_EQ(v[6].line, 18);

    ASSERT_EQ(s[3].values.size(), 1u);
    EXPECT_EQ(s[3].values[0].type, ValueType::expand_sz);
    EXPECT_EQ(s[3].values[0].text(), L"%SystemRoot%\\system32\\themeui.dll,-704");
    EXPECT_EQ(s[3].values[0].data.size(), 78u); // 38 characters and the zero
    EXPECT_EQ(s[3].values[0].line, 21);

    EXPECT_EQ(s[4].root, RootKey::current_user);
    EXPECT_TRUE(s[4].values.empty());
    EXPECT_EQ(s[5].root, RootKey::local_machine);
    EXPECT_EQ(s[5].path, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons");
    EXPECT_EQ(s[6].path, L"Directory\\shellex\\ContextMenuHandlers\\ FileSyncEx");

    LineCounts expected;
    expected.total = 32;
    expected.header = 1;
    expected.comment = 1;
    expected.blank = 8;
    expected.key = 6;
    expected.key_deletion = 1;
    expected.default_sz = 3;
    expected.default_expand = 1;
    expected.named_sz = 2;
    expected.named_dword = 1;
    expected.named_binary = 2;
    expected.named_none = 1;
    expected.value_deletion = 2;
    expected.continuation = 3;
    expected.escaped_backslash = 1;
    expected.escaped_quote = 1;
    EXPECT_EQ(parsed.counts, expected);
}

TEST(RegistryScriptReader, AllowsDeletionsBeforeRecreationAndOfSubkeysOfWrittenKeys) {
    // Deleting a key below one already written is the normal way to replace
    // part of a class key; so is deleting a sibling whose name shares a prefix.
    const auto parsed = parse(script({
        L"[-HKEY_CLASSES_ROOT\\batfile\\shell]",
        L"[HKEY_CLASSES_ROOT\\batfile]",
        L"[-HKEY_CLASSES_ROOT\\batfile\\shellex\\ContextMenuHandlers]",
        L"[HKEY_CLASSES_ROOT\\batfile\\shellex\\ContextMenuHandlers]",
        L"[HKEY_CLASSES_ROOT\\.vhd]",
        L"[-HKEY_CLASSES_ROOT\\.vhdx]",
    }));
    EXPECT_EQ(parsed.counts.key, 3);
    EXPECT_EQ(parsed.counts.key_deletion, 3);
}

TEST(RegistryScriptReader, CountsEachLineWithAnEscapeOnce) {
    const auto parsed = parse(script({
        L"[HKEY_CLASSES_ROOT\\x]",
        L"@=\"\\\"a\\\" \\\"b\\\"\"",
        L"\"C:\\\\x\"=\"C:\\\\y\"",
        L"\"q\"=\"\\\\ \\\"\"",
    }));
    EXPECT_EQ(parsed.counts.escaped_quote, 2);
    EXPECT_EQ(parsed.counts.escaped_backslash, 2);
    EXPECT_EQ(parsed.sections[0].values[1].name, L"C:\\x");
}

} // namespace
} // namespace vx::regscript
