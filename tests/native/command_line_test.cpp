#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <vector>

#include "services/command_line.h"
#include "services/error.h"
#include "services/text.h"

namespace vx {
namespace {

TEST(CommandLineQuoting, FollowsTheWindowsRules) {
    struct Case {
        const wchar_t* argument;
        const wchar_t* quoted;
    };
    const Case cases[] = {
        {L"import", L"import"},
        {L"C:\\Temp\\TXT.reg", L"C:\\Temp\\TXT.reg"},
        {L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg",
         L"\"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg\""},
        {L"", L"\"\""},
        {L"a\tb", L"\"a\tb\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"C:\\dir with blank\\", L"\"C:\\dir with blank\\\\\""}, // trailing backslash doubled before the closing mark
        {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},                     // two backslashes then a quote
        {L"a\\b c", L"\"a\\b c\""},                               // backslashes not before a quote stay single
    };
    for (const auto& c : cases)
        EXPECT_EQ(quote_argument(c.argument), c.quoted) << to_utf8(c.argument);
}

TEST(CommandLineQuoting, BuildsProgramAndArguments) {
    EXPECT_EQ(build_command_line(L"reg.exe", {L"import", L"C:\\Users\\Ann Lee\\Temp\\DIR.reg"}),
              L"reg.exe import \"C:\\Users\\Ann Lee\\Temp\\DIR.reg\"");
    EXPECT_EQ(build_command_line(L"C:\\Users\\Ann Lee\\RestartExp.exe", {}), L"\"C:\\Users\\Ann Lee\\RestartExp.exe\"");
}

TEST(CommandLineLength, RefusesMoreThan512Units) {
    EXPECT_NO_THROW(check_command_line(std::wstring(512, L'x')));
    try {
        check_command_line(std::wstring(513, L'x'));
        FAIL() << "a 513-unit command line was accepted";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(L"513"), std::wstring::npos);
        EXPECT_NE(e.message().find(L"512"), std::wstring::npos);
    }
}

TEST(ProgramToken, ReadsTheFirstTokenLikeProcessCreation) {
    std::wstring rest;
    EXPECT_EQ(program_token(L"reg.exe import x", &rest), L"reg.exe");
    EXPECT_EQ(rest, L" import x");
    EXPECT_EQ(program_token(L"\"C:\\a b\\x.exe\" /c", &rest), L"C:\\a b\\x.exe");
    EXPECT_EQ(rest, L" /c");
    EXPECT_EQ(program_token(L"sfc /scannow"), L"sfc");
    EXPECT_EQ(program_token(L"gpupdate"), L"gpupdate");
    EXPECT_TRUE(names_path(L"C:\\x\\tempbat.bat"));
    EXPECT_FALSE(names_path(L"netsh"));
}

// Every folder a user can write to holds a planted copy; only the system
// folder's own programs are found, whatever the current folder or PATH is.
TEST(ProgramLookup, FindsBareNamesInTheSystemFolderAloneAndTakesOnlyAbsolutePaths) {
    const std::set<std::wstring> disk = {
        L"c:\\windows\\system32\\reg.exe",    L"c:\\windows\\system32\\netsh.exe",
        L"c:\\windows\\system32\\dism.exe",   L"c:\\windows\\system32\\wbem\\wmic.exe",
        L"c:\\windows\\regedit.exe",          L"c:\\users\\ann\\bin\\reg.exe",
        L"c:\\users\\ann\\bin\\gpupdate.exe", L"c:\\users\\ann\\bin\\wmic.exe",
        L"c:\\users\\ann\\bin\\regedit.exe",  L"c:\\windows\\system32\\ipconfig.exe.exe",
    };
    struct Case {
        const wchar_t* system_folder;
        const wchar_t* program;
        std::optional<std::wstring> found;
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32", L"reg.exe", L"C:\\Windows\\system32\\reg.exe"},
        {L"C:\\Windows\\system32\\", L"reg.exe", L"C:\\Windows\\system32\\reg.exe"}, // one backslash between
        {L"C:\\Windows\\system32", L"netsh", L"C:\\Windows\\system32\\netsh.exe"},   // ".exe" is added
        {L"C:\\Windows\\system32", L"DISM", L"C:\\Windows\\system32\\DISM.exe"},
        {L"C:\\Windows\\system32", L"ipconfig.exe", std::nullopt}, // a name with its extension gets no other
        // Only beside the program, in the current folder or elsewhere on PATH: not found.
        {L"C:\\Windows\\system32", L"gpupdate", std::nullopt},
        {L"C:\\Windows\\system32", L"wmic", std::nullopt},
        {L"C:\\Windows\\system32", L"regedit", std::nullopt},
        // The system folder as the current folder changes nothing: it is never left out.
        {L"C:\\Windows\\system32", L"reg", L"C:\\Windows\\system32\\reg.exe"},
        {L"", L"reg.exe", std::nullopt},
        {L"C:\\Windows\\system32", L"", std::nullopt},
        // A full path is taken as given, a relative one never.
        {L"C:\\Windows\\system32", L"C:\\Windows\\system32\\wbem\\wmic.exe", L"C:\\Windows\\system32\\wbem\\wmic.exe"},
        {L"C:\\Windows\\system32", L"\\\\server\\share\\tool.exe", L"\\\\server\\share\\tool.exe"},
        {L"C:\\Windows\\system32", L"bin\\reg.exe", std::nullopt},
        {L"C:\\Windows\\system32", L".\\reg.exe", std::nullopt},
        {L"C:\\Windows\\system32", L"C:reg.exe", std::nullopt},
        {L"C:\\Windows\\system32", L"\\Windows\\system32\\reg.exe", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(std::wstring(c.system_folder) + L" | " + c.program));
        ProgramSearch search;
        search.system_folder = c.system_folder;
        search.file_exists = [&](const std::wstring& path) { return disk.count(to_lower(path)) != 0; };
        EXPECT_EQ(find_program(c.program, search), c.found);
    }
}

TEST(EnvironmentBlock, AddsTheVariableOnceAndKeepsEveryOtherEntryInOrder) {
    using namespace std::string_literals;
    struct Case {
        std::vector<std::wstring> entries;
        std::wstring block;
    };
    const Case cases[] = {
        {{}, L"NoDefaultCurrentDirectoryInExePath=1\0\0"s},
        {{L"=C:=C:\\Work", L"PATH=C:\\Windows", L"TEMP=C:\\T"},
         L"=C:=C:\\Work\0PATH=C:\\Windows\0TEMP=C:\\T\0NoDefaultCurrentDirectoryInExePath=1\0\0"s},
        // One set already, in another case and to another value, is replaced.
        {{L"A=1", L"nodefaultcurrentdirectoryinexepath=", L"B=2"},
         L"A=1\0B=2\0NoDefaultCurrentDirectoryInExePath=1\0\0"s},
        // A longer name that starts the same is another variable.
        {{L"NoDefaultCurrentDirectoryInExePathX=0"},
         L"NoDefaultCurrentDirectoryInExePathX=0\0NoDefaultCurrentDirectoryInExePath=1\0\0"s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(environment_block(c.entries, L"NoDefaultCurrentDirectoryInExePath", L"1"), c.block);
}

} // namespace
} // namespace vx
