#include "services/private_folder_win.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "services/handles_win.h"
#include "services/system_error_win.h"
#include "services/system_library_win.h"

namespace vx {

namespace {

// Rights that let the holder change the folder, what it holds, or who may.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                      FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL | MAXIMUM_ALLOWED;

constexpr wchar_t kForeignOwner[] = L"it is owned by someone other than Administrators or SYSTEM";

bool running_on_wine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool is_sid(PSID sid, WELL_KNOWN_SID_TYPE type) { return sid && IsValidSid(sid) && IsWellKnownSid(sid, type); }

bool trusted(PSID sid) { return is_sid(sid, WinBuiltinAdministratorsSid) || is_sid(sid, WinLocalSystemSid); }

struct LocalMemory {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ~LocalMemory() {
        if (descriptor) LocalFree(descriptor);
    }
};

UniqueFile open_folder(const std::wstring& path) {
    // The link itself is opened, not what it points to, so it can be refused.
    return UniqueFile(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

} // namespace

std::wstring private_folder_problem(HANDLE folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info)) return last_error_text();
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return L"it is not a folder";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return L"it is a link to another place";
    LocalMemory memory;
    const DWORD status = GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &memory.descriptor);
    if (status != ERROR_SUCCESS) return system_error_text(status);
    return private_security_problem(memory.descriptor);
}

std::wstring private_security_problem(PSECURITY_DESCRIPTOR security) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(security, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted))
        return last_error_text();
    if (!present) dacl = nullptr;
    if (!trusted(owner)) return kForeignOwner;
    if (!dacl) return L"everyone may change it";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) return last_error_text();
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return L"its permissions hold an entry of an unexpected kind";
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (!(allowed->Mask & kChangeRights)) continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        // CREATOR OWNER on what is created inside gives nobody new rights
        // while only the trusted accounts can create anything there.
        if (trusted(sid) || (is_sid(sid, WinCreatorOwnerSid) && (header->AceFlags & INHERIT_ONLY_ACE))) continue;
        return L"accounts other than Administrators and SYSTEM may change it";
    }
    return {};
}

std::wstring make_private_folder(const std::wstring& path, const wchar_t* security) {
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    LocalMemory memory;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(security, SDDL_REVISION_1,
                                                              &memory.descriptor, nullptr))
        return last_error_text();
    attributes.lpSecurityDescriptor = memory.descriptor;
    if (!CreateDirectoryW(path.c_str(), &attributes) && GetLastError() != ERROR_ALREADY_EXISTS)
        return last_error_text();
    // Whether it was made just now or found, the folder is checked as it is.
    UniqueFile folder = open_folder(path);
    if (!folder) return last_error_text();
    std::wstring problem = private_folder_problem(folder.get());
    // Wine keeps no security on files: every process of a prefix may change
    // every file there, and it names the user as the owner of every folder,
    // whatever it was made with. There is no line between elevated and other
    // processes to hold, so under Wine the owner it reports is not held
    // against the folder, which is then taken as Windows would take the
    // folder just made. Links and files are refused all the same.
    if (problem == kForeignOwner && running_on_wine()) problem.clear();
    return problem;
}

std::wstring program_data_folder() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(known_folder_path(FOLDERID_ProgramData, KF_FLAG_DONT_VERIFY, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

} // namespace vx
