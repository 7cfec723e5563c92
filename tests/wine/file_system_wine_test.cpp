// The file layer, the folder lookups and the stored texts on Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "services/error.h"
#include "services/file_system_win.h"
#include "services/resources_win.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

TEST(FileLayerOnWine, WritesLinesWithCrLfInAnsiWithoutBom) {
    test::ScratchFolder scratch;
    Win32FileSystem files;
    const std::wstring path = scratch / L"TXT.reg";
    test::write_bytes(path, "an older, longer file that must go completely\r\n");
    files.write_text_file(path, {L"Windows Registry Editor Version 5.00", L"", L"caf\u00e9"});
    // U+00E9 is 0xE9 in the ANSI code page of the prefix (1252).
    EXPECT_EQ(test::read_bytes(path), "Windows Registry Editor Version 5.00\r\n\r\ncaf\xe9\r\n");
}

TEST(FileLayerOnWine, AFileThatCannotBeCreatedRaisesTheSystemsReason) {
    Win32FileSystem files;
    const std::wstring path = L"C:\\vantrix-no-such-folder\\x.reg";
    try {
        files.write_text_file(path, {L"x"});
        FAIL() << "no error";
    } catch (const Error& e) {
        const std::wstring start = L"Cannot create file \"" + path + L"\". ";
        EXPECT_EQ(e.message().substr(0, start.size()), start);
        EXPECT_GT(e.message().size(), start.size()); // the system's text follows
        EXPECT_NE(e.message().back(), L'.');         // without its own full stop
    }
}

// Windows refuses to open a read-only file for writing; Wine 8 overwrites it,
// so the file layer gives Windows' answer itself.
TEST(FileLayerOnWine, AReadOnlyFileIsNotOverwritten) {
    test::ScratchFolder scratch;
    Win32FileSystem files;
    const std::wstring path = scratch / L"TXT.reg";
    test::write_bytes(path, "kept");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        files.write_text_file(path, {L"new"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().starts_with(L"Cannot create file \"" + path + L"\". ")) << to_utf8(e.message());
    }
    EXPECT_EQ(test::read_bytes(path), "kept");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileLayerOnWine, ReplacesAFileInOneStepOrLeavesItAlone) {
    test::ScratchFolder scratch;
    Win32FileSystem files;
    const std::wstring hosts = scratch / L"hosts";
    test::write_bytes(hosts, "127.0.0.1 ads.example\r\n");
    files.replace_text_file(hosts, {L"# a", L"# b"});
    EXPECT_EQ(test::read_bytes(hosts), "# a\r\n# b\r\n");

    SetFileAttributesW(hosts.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(files.replace_text_file(hosts, {L"new"}), Error);
    EXPECT_EQ(test::read_bytes(hosts), "# a\r\n# b\r\n");
    SetFileAttributesW(hosts.c_str(), FILE_ATTRIBUTE_NORMAL);

    // No temporary file stays behind on either path.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((scratch / L"*").c_str(), &found);
    int entries = 0;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") ++entries;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 1);
}

TEST(FolderTreeDeleteOnWine, DeletesAWholeTreeAndLeavesFilesAndMissingPathsAlone) {
    test::ScratchFolder scratch;
    Win32FileSystem files;
    const std::wstring tree = scratch / L"$Recycle.Bin";
    CreateDirectoryW(tree.c_str(), nullptr);
    CreateDirectoryW((tree + L"\\S-1-5-21").c_str(), nullptr);
    CreateDirectoryW((tree + L"\\S-1-5-21\\deep").c_str(), nullptr);
    test::write_bytes(tree + L"\\S-1-5-21\\deep\\$RABC.txt", "x");
    test::write_bytes(tree + L"\\desktop.ini", "y");
    SetFileAttributesW((tree + L"\\desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    files.delete_tree(tree);
    EXPECT_FALSE(test::exists(tree));

    const std::wstring file = scratch / L"GroupPolicy";
    test::write_bytes(file, "a file, not a folder");
    files.delete_tree(file);
    EXPECT_TRUE(test::exists(file));
    files.delete_tree(scratch / L"missing");
    EXPECT_TRUE(test::exists(scratch.path()));
}

// A file held open without FILE_SHARE_DELETE cannot be deleted (Wine's
// server enforces share modes as Windows does): the delete fails, naming the
// folder, instead of passing for success.
TEST(FolderTreeDeleteOnWine, AFileHeldOpenMakesTheDeleteFailNamingTheFolder) {
    test::ScratchFolder scratch;
    Win32FileSystem files;
    const std::wstring tree = scratch / L"GroupPolicy";
    CreateDirectoryW(tree.c_str(), nullptr);
    CreateDirectoryW((tree + L"\\Machine").c_str(), nullptr);
    const std::wstring held = tree + L"\\Machine\\Registry.pol";
    test::write_bytes(held, "PReg");
    test::write_bytes(tree + L"\\gpt.ini", "[General]");
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    try {
        files.delete_tree(tree);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        const std::wstring start = L"Cannot delete folder \"" + tree + L"\". ";
        EXPECT_TRUE(e.message().starts_with(start)) << to_utf8(e.message());
        EXPECT_GT(e.message().size(), start.size()) << "no reason given";
    }
    EXPECT_TRUE(test::exists(held));
    CloseHandle(file);
    files.delete_tree(tree);
    EXPECT_FALSE(test::exists(tree));
}

TEST(FolderLookupsOnWine, GiveTheFoldersWithoutTrailingBackslashAndTempAsItIs) {
    Win32Folders folders;
    EXPECT_EQ(folders.windows_folder(), test::environment_variable(L"windir"));
    EXPECT_NE(folders.system_folder().back(), L'\\');
    EXPECT_EQ(folders.system_drive(), folders.windows_folder().substr(0, 2) + L"\\");
    {
        test::ScopedEnvironment temp(L"TEMP", L"C:\\a folder\\with blank");
        EXPECT_EQ(folders.temp_folder(), L"C:\\a folder\\with blank");
    }
    test::ScopedEnvironment unset(L"TEMP", nullptr);
    EXPECT_EQ(folders.temp_folder(), L"");
}

TEST(StoredTextsOnWine, EveryMemoLoadsFromTheResources) {
    ResourceTextStore texts;
    const auto hosts = texts.lines(L"MEMO_HOSTS");
    EXPECT_EQ(hosts.size(), 21u);
    EXPECT_EQ(texts.lines(L"mRESET_FOLDERVIEW").size(), 29u);
    const wchar_t* scripts[] = {L"mFIX_BAT_W10", L"mFIX_TXT_W10", L"mFIX_DIRECTORY_W10", L"mFIX_FOLDER_W10"};
    for (const auto* memo : scripts) {
        const auto lines = texts.lines(memo);
        ASSERT_FALSE(lines.empty()) << memo;
        EXPECT_EQ(lines.front(), L"Windows Registry Editor Version 5.00") << memo;
    }
    try {
        texts.lines(L"mNO_SUCH_MEMO");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Resource mNO_SUCH_MEMO not found");
    }
}

} // namespace
} // namespace vx
