#pragma once

#include <windows.h>

#include <string>

namespace vx {

// The security a private folder is created with: owned by Administrators,
// full control for Administrators and SYSTEM, inherited by what it holds, and
// nothing inherited from the folder above (where users may create folders).
inline constexpr wchar_t kPrivateFolderSecurity[] = L"O:BAG:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// The same, with reading left to the computer's users: the log, which Notepad
// opens with the person's own, unelevated rights.
inline constexpr wchar_t kReadablePrivateFolderSecurity[] =
    L"O:BAG:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)";

// What the program writes and later trusts elevated (its log, its backups)
// lives in folders that only Administrators and SYSTEM can change. Creates the
// folder with that security when it is missing. Answers an empty text when
// the folder is such a folder, and otherwise what is wrong with it: a folder
// someone else created first (users may create folders in ProgramData) or a
// link that leads elsewhere is never used.
std::wstring make_private_folder(const std::wstring& path, const wchar_t* security = kPrivateFolderSecurity);

// What is wrong with an open folder's security, or an empty text when only
// Administrators and SYSTEM can change it or what it holds.
std::wstring private_folder_problem(HANDLE folder);
// The same for a security descriptor's owner and permissions.
std::wstring private_security_problem(PSECURITY_DESCRIPTOR security);

// The machine's ProgramData folder, from the system's known-folder list (the
// PROGRAMDATA variable can be set by the user); empty when unknown.
std::wstring program_data_folder();

} // namespace vx
