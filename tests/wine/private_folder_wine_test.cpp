// The program's private folder under ProgramData and the log kept in it.
// Wine enforces share modes but not permissions, so these tests read back the
// security each folder was given instead of trying a non-elevated write; on
// Windows the same descriptor refuses one.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "services/error.h"
#include "services/log_store_win.h"
#include "services/private_folder_win.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

// A folder's owner and permissions in SDDL form.
std::wstring security_of(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return L"(unreadable)";
    PWSTR text = nullptr;
    std::wstring sddl;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
        sddl = text;
    LocalFree(text);
    LocalFree(descriptor);
    return sddl;
}

bool make_folder(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const bool made = CreateDirectoryW(path.c_str(), &attributes);
    LocalFree(descriptor);
    return made;
}

TEST(PrivateFolderOnWine, ANewFolderGetsAdministratorsAndSystemOnlyAndPassesItsOwnCheck) {
    test::ScratchFolder scratch;
    const struct {
        const wchar_t* security;
        const wchar_t* expected;
    } cases[] = {
        {kPrivateFolderSecurity, L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"},
        {kReadablePrivateFolderSecurity, L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring path = scratch / (L"private" + std::to_wstring(n++));
        EXPECT_EQ(make_private_folder(path, c.security), L"");
        EXPECT_EQ(security_of(path), c.expected);
        // Found again on the next start, the folder is accepted as it is.
        EXPECT_EQ(make_private_folder(path, c.security), L"");
    }
}

TEST(PrivateFolderOnWine, AFolderSomeoneElseMadeFirstIsRefused) {
    test::ScratchFolder scratch;
    // A user may create the folder in ProgramData before the program does,
    // owning it or granting themselves the right to change it. (Wine lets a
    // process name any owner; on Windows the planting user is the owner.)
    const struct {
        const wchar_t* planted;
        const wchar_t* problem;
    } cases[] = {
        {L"O:WDD:P(A;OICI;FA;;;BA)", L"it is owned by someone other than Administrators or SYSTEM"},
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)", L"accounts other than Administrators and SYSTEM may change it"},
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x2;;;WD)", L"accounts other than Administrators and SYSTEM may change it"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring path = scratch / (L"planted" + std::to_wstring(n++));
        ASSERT_TRUE(make_folder(path, c.planted)) << to_utf8(c.planted);
        EXPECT_EQ(make_private_folder(path), c.problem) << to_utf8(c.planted);

        // The log then writes nothing there.
        Win32LogStore store(path);
        EXPECT_THROW(store.append("x\r\n"), Error);
        EXPECT_FALSE(test::exists(store.file_path()));
    }
    // A file where the folder should be is no folder.
    const std::wstring file = scratch / L"file";
    test::write_bytes(file, "x");
    EXPECT_EQ(make_private_folder(file), L"it is not a folder");
}

TEST(PrivateFolderOnWine, TheLogAppendsAndRollsOverToOnePreviousFile) {
    test::ScratchFolder scratch;
    Win32LogStore store(scratch / L"Vantrix");
    EXPECT_EQ(store.size(), 0u);
    store.append("one\r\n");
    store.append("two\r\n");
    EXPECT_EQ(store.size(), 10u);
    EXPECT_EQ(test::read_bytes(store.file_path()), "one\r\ntwo\r\n");
    store.roll();
    EXPECT_EQ(store.size(), 0u);
    store.append("three\r\n");
    store.roll();
    EXPECT_EQ(test::read_bytes(store.previous_path()), "three\r\n") << "the older previous file is replaced";
    EXPECT_FALSE(test::exists(store.file_path()));
    EXPECT_EQ(security_of(scratch / L"Vantrix"), L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)");
}

} // namespace
} // namespace vx
