#include <gtest/gtest.h>

#include <map>

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
        {L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg", L"\"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg\""},
        {L"", L"\"\""},
        {L"a\tb", L"\"a\tb\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"C:\\dir with blank\\", L"\"C:\\dir with blank\\\\\""}, // trailing backslash doubled before the closing mark
        {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},                       // two backslashes then a quote
        {L"a\\b c", L"\"a\\b c\""},                                 // backslashes not before a quote stay single
    };
    for (const auto& c : cases) EXPECT_EQ(quote_argument(c.argument), c.quoted) << to_utf8(c.argument);
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

TEST(ProgramLookup, FindsBareNamesOnlyInTheSystemFolderAndPath) {
    std::map<std::wstring, bool> disk = {
        {L"c:\\windows\\system32\\reg.exe", true},
        {L"c:\\windows\\system32\\netsh.exe", true},
        {L"c:\\windows\\system32\\wbem\\wmic.exe", true},
        {L"c:\\downloads\\reg.exe", true},   // planted beside the program
        {L"c:\\downloads\\gpupdate.exe", true},
        {L"c:\\work\\sfc.exe", true},        // planted in the current folder
        {L"c:\\tools\\dism.exe", true},
    };
    ProgramSearch search;
    search.system_folder = L"C:\\Windows\\system32";
    search.path_variable = L"C:\\Windows\\system32;C:\\Windows;.;C:\\Downloads\\;relative\\bin;;C:\\Windows\\system32\\wbem;\"C:\\Tools\";C:\\Work";
    search.excluded = {L"C:\\Downloads", L"C:\\Work\\"};
    search.file_exists = [&](const std::wstring& path) { return disk.count(to_lower(path)) != 0; };

    EXPECT_EQ(find_program(L"reg.exe", search), L"C:\\Windows\\system32\\reg.exe");
    EXPECT_EQ(find_program(L"netsh", search), L"C:\\Windows\\system32\\netsh.exe"); // ".exe" is added
    EXPECT_EQ(find_program(L"wmic", search), L"C:\\Windows\\system32\\wbem\\wmic.exe");
    EXPECT_EQ(find_program(L"DISM", search), L"C:\\Tools\\DISM.exe");
    EXPECT_EQ(find_program(L"gpupdate", search), std::nullopt); // only beside the program: not found
    EXPECT_EQ(find_program(L"sfc", search), std::nullopt);      // only in the current folder
    EXPECT_EQ(find_program(L"", search), std::nullopt);
    EXPECT_EQ(find_program(L"C:\\Downloads\\reg.exe", search), L"C:\\Downloads\\reg.exe"); // a path is taken as given
}

} // namespace
} // namespace vx
