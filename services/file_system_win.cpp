#include "services/file_system_win.h"

#include <windows.h>

#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <string_view>

#include "services/error.h"
#include "services/handles_win.h"
#include "services/system_error_win.h"
#include "services/system_library_win.h"

namespace vx {

namespace {

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

// Creates the file anew and writes all of `bytes`; raises the file layer's error.
void write_file(const std::wstring& path, const void* bytes, std::size_t size, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    // Windows refuses to open a read-only file for writing; the same answer is
    // given here before anything is written, also where a system (Wine 8)
    // would overwrite it all the same.
    const DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw Error(cannot_create_file_text(path, system_error_text(ERROR_ACCESS_DENIED)));
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr));
    if (!file) throw Error(cannot_create_file_text(path, last_error_text()));
    const auto* data = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!WriteFile(file.get(), data, chunk, &written, nullptr) || written == 0)
            throw Error(L"Cannot write file \"" + path + L"\". " + last_error_text());
        data += written;
        size -= written;
    }
    if ((flags & FILE_FLAG_WRITE_THROUGH) && !FlushFileBuffers(file.get()))
        throw Error(L"Cannot write file \"" + path + L"\". " + last_error_text());
}

// The reason a folder delete failed. The operation answers either a system
// error code or one of its own codes (0x71 to 0x88, and 0x400 and above),
// which have no system text.
std::wstring delete_tree_reason(int result) {
    if (result == 0) return L"Some of the files in it could not be deleted";
    const auto code = static_cast<unsigned>(result);
    if ((code >= 0x71 && code <= 0x88) || code >= 0x400) {
        wchar_t number[16];
        std::swprintf(number, 16, L"0x%X", code);
        return L"Some of the files in it could not be deleted (error " + std::wstring(number) + L")";
    }
    return system_error_text(code);
}

std::wstring buffer_call(UINT(WINAPI* call)(LPWSTR, UINT)) {
    // 262 units, of which MAX_PATH are offered to the system.
    std::array<wchar_t, MAX_PATH + 2> buffer{};
    const UINT n = call(buffer.data(), MAX_PATH);
    return n <= MAX_PATH ? std::wstring(buffer.data(), n) : std::wstring();
}


// --- Staged files ----------------------------------------------------------
//
// TEMP is writable by every program of the user, elevated or not. A staged
// file is therefore created anew (never through a link), checked to be the
// file at the intended path, and from then on held open sharing read access
// only, so no other program can change, rename or delete it while the program
// it is meant for reads it. Between the write and the hold there is a moment
// without a handle: the file's security lets only Administrators and SYSTEM
// open it then, and what is held afterwards is checked to be the same file
// with the same bytes.

struct FileIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    DWORD attributes = 0;
    bool operator==(const FileIdentity& o) const { return volume == o.volume && high == o.high && low == o.low; }
};

bool identity_of(HANDLE file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, info.dwFileAttributes};
    return true;
}

bool is_plain_file(const FileIdentity& identity) {
    return (identity.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool same_text(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A path without the "\\?\" (or "\\?\UNC\") the system may put in front.
std::wstring without_long_prefix(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.starts_with(L"\\\\?\\")) return path.substr(4);
    return path;
}

// The intended path as the system names the file once it is open: the folder
// in its long form (TEMP is often given with 8.3 names), then the file name.
std::wstring expected_final_path(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return path;
    const std::wstring folder = path.substr(0, slash);
    std::wstring long_folder(MAX_PATH, L'\0');
    DWORD n = GetLongPathNameW(folder.c_str(), long_folder.data(), static_cast<DWORD>(long_folder.size()));
    if (n >= long_folder.size()) {
        long_folder.resize(n);
        n = GetLongPathNameW(folder.c_str(), long_folder.data(), n);
    }
    long_folder.resize(n > 0 && n < long_folder.size() ? n : 0);
    if (long_folder.empty()) long_folder = folder;
    return without_long_prefix(long_folder) + path.substr(slash);
}

// Whether the open file is reached by the intended path: a link or junction
// anywhere on the way (TEMP itself included) makes the names differ.
bool reached_by(HANDLE file, const std::wstring& path) {
    std::wstring final_path(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, final_path.data(), static_cast<DWORD>(final_path.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= final_path.size()) {
        final_path.resize(n + 1);
        n = GetFinalPathNameByHandleW(file, final_path.data(), static_cast<DWORD>(final_path.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= final_path.size()) return false;
    final_path.resize(n);
    return same_text(without_long_prefix(final_path), expected_final_path(path));
}

bool mark_for_deletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}

// Opens whatever the path names, a link itself rather than its target, for
// deleting it.
UniqueFile open_for_deletion(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
}

// Deletes the file at the path only when it is still the one staged.
void delete_if_same(const std::wstring& path, const FileIdentity& staged) {
    UniqueFile file = open_for_deletion(path);
    FileIdentity now;
    if (file && identity_of(file.get(), now) && now == staged) mark_for_deletion(file.get());
}

// Removes a file or link left at the path, without following a link; raises
// when something is there and cannot be removed, a folder among them.
void remove_leftover(const std::wstring& path) {
    UniqueFile file = open_for_deletion(path);
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
        throw Error(cannot_create_file_text(path, L"A file of that name is there and cannot be removed: " +
                                                      system_error_text(error)));
    }
    // Only what lies in the intended folder is removed: through a folder
    // that leads elsewhere, the file of that name there is left alone.
    if (!reached_by(file.get(), path))
        throw Error(cannot_create_file_text(path, L"The path leads to another place than the one intended"));
    // A folder of that name is not the program's to remove; a link to one is.
    FileIdentity found;
    if (identity_of(file.get(), found) && (found.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        throw Error(cannot_create_file_text(path, L"A folder of that name is there"));
    if (!mark_for_deletion(file.get()))
        throw Error(cannot_create_file_text(path, L"A file of that name is there and cannot be removed: " +
                                                      last_error_text()));
}

class Win32StagedFile : public StagedFile {
public:
    Win32StagedFile(std::wstring path, UniqueFile held, FileIdentity identity)
        : path_(std::move(path)), held_(std::move(held)), identity_(identity) {}
    ~Win32StagedFile() override {
        // The hold shares no delete access, so it goes first; the file is then
        // deleted only if the path still names it.
        held_.reset();
        delete_if_same(path_, identity_);
    }

private:
    std::wstring path_;
    UniqueFile held_;
    FileIdentity identity_;
};

std::unique_ptr<StagedFile> stage_once(const std::wstring& path, const std::string& bytes) {
    remove_leftover(path);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kStagedFileSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        throw Error(cannot_create_file_text(path, last_error_text()));
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor, FALSE};
    // Written under a name of its own beside the intended one, then moved onto
    // the intended name in one step, replacing whatever another program put
    // there in the meantime (a link is replaced, not followed). CREATE_NEW
    // never takes over a file that is already there.
    const std::wstring fresh =
        path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L".new";
    UniqueFile writer(CreateFileW(fresh.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, &security, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD create_error = GetLastError();
    LocalFree(descriptor);
    if (!writer) throw Error(cannot_create_file_text(path, system_error_text(create_error)));

    FileIdentity written;
    const auto refuse = [&](const std::wstring& reason) {
        if (writer) mark_for_deletion(writer.get());
        throw Error(cannot_create_file_text(path, reason));
    };
    constexpr wchar_t kElsewhere[] = L"The path leads to another place than the one intended";
    if (!identity_of(writer.get(), written)) refuse(last_error_text());
    if (!is_plain_file(written) || !reached_by(writer.get(), fresh)) refuse(kElsewhere);
    const char* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        DWORD done = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!WriteFile(writer.get(), data, chunk, &done, nullptr) || done == 0) refuse(last_error_text());
        data += done;
        size -= done;
    }
    {
        const std::size_t name_bytes = path.size() * sizeof(wchar_t);
        std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name_bytes);
        std::copy(path.begin(), path.end(), rename->FileName);
        if (!SetFileInformationByHandle(writer.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
            refuse(L"A file of that name is there and cannot be removed: " + last_error_text());
    }
    if (!reached_by(writer.get(), path)) refuse(kElsewhere);
    writer.reset();

    // From here on, read sharing only: other programs may read the file, and
    // none may write, rename or delete it.
    UniqueFile held(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    constexpr wchar_t kChanged[] = L"Another program changed the file before it could be used";
    const auto refuse_held = [&](const wchar_t* reason) {
        held.reset();
        delete_if_same(path, written);
        throw Error(cannot_create_file_text(path, reason));
    };
    if (!held) refuse_held(kChanged);
    FileIdentity now;
    if (!identity_of(held.get(), now) || !(now == written) || !is_plain_file(now)) refuse_held(kChanged);
    if (!reached_by(held.get(), path)) refuse_held(kElsewhere);
    // The bytes read back must be the bytes written, and nothing more.
    std::string back(bytes.size() + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        DWORD done = 0;
        if (!ReadFile(held.get(), back.data() + got, static_cast<DWORD>(back.size() - got), &done, nullptr))
            refuse_held(kChanged);
        if (done == 0) break;
        got += done;
        if (got == back.size()) break;
    }
    if (got != bytes.size() || back.compare(0, got, bytes) != 0) refuse_held(kChanged);
    return std::make_unique<Win32StagedFile>(path, std::move(held), written);
}

// A program that keeps recreating, deleting or renaming the file can make
// one attempt fail (everyone may delete in TEMP, whatever the file's own
// security says); a few more attempts get the file staged all the same,
// and each one is checked in full.
std::unique_ptr<StagedFile> stage_bytes(const std::wstring& path, const std::string& bytes) {
    constexpr int kAttempts = 50;
    for (int attempt = 1;; ++attempt) {
        try {
            return stage_once(path, bytes);
        } catch (const Error&) {
            if (attempt == kAttempts) throw;
        }
    }
}

} // namespace

std::string to_ansi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool Win32FileSystem::file_exists(const std::wstring& path) {
    const DWORD a = attributes_of(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::directory_exists(const std::wstring& path) {
    const DWORD a = attributes_of(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::delete_file(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

void Win32FileSystem::write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) {
    const std::string bytes = to_ansi(join_lines_crlf(lines));
    write_file(path, bytes.data(), bytes.size());
}

void Win32FileSystem::write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    write_file(path, bytes.data(), bytes.size());
}

void Win32FileSystem::replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) {
    const std::string bytes = to_ansi(join_lines_crlf(lines));
    replace_file(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void Win32FileSystem::replace_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    // The new bytes go to a file of their own beside the old one, reach the
    // disk, and only then take the old file's place in one step, so a
    // failure at any point leaves the old file as it was.
    // A read-only file is not replaced: Windows refuses the move below with
    // "Access is denied", and the same answer is given here before anything
    // is written, also where a system (Wine) would replace it all the same.
    const DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw Error(L"Cannot replace file \"" + path + L"\". " + system_error_text(ERROR_ACCESS_DENIED));
    const std::wstring temporary = path + L".vantrix-new";
    try {
        write_file(temporary, bytes.data(), bytes.size(), FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    } catch (...) {
        DeleteFileW(temporary.c_str());
        throw;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::wstring reason = last_error_text();
        DeleteFileW(temporary.c_str());
        throw Error(L"Cannot replace file \"" + path + L"\". " + reason);
    }
}

std::vector<std::uint8_t> Win32FileSystem::read_file(const std::wstring& path) {
    // A link at the path is not followed: what is read is the file there.
    // Others may hold it open meanwhile (the hosts file is often open in an
    // editor or the resolver).
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) throw Error(L"Cannot read file \"" + path + L"\". " + last_error_text());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1LL << 30))
        throw Error(L"Cannot read file \"" + path + L"\". " + last_error_text());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr))
            throw Error(L"Cannot read file \"" + path + L"\". " + last_error_text());
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

void Win32FileSystem::create_folder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr) || (GetLastError() == ERROR_ALREADY_EXISTS && directory_exists(path)))
        return;
    throw Error(L"Cannot create folder \"" + path + L"\". " + last_error_text());
}

std::vector<std::wstring> Win32FileSystem::folder_entries(const std::wstring& path) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return names;
        throw Error(L"Cannot read folder \"" + path + L"\". " + system_error_text(error));
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") names.emplace_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void Win32FileSystem::copy_tree(const std::wstring& from, const std::wstring& to) {
    // The new folder takes the attributes of the one it copies (the policy
    // folders are hidden); links inside are copied as what they are.
    if (!CreateDirectoryExW(from.c_str(), to.c_str(), nullptr))
        throw Error(L"Cannot create folder \"" + to + L"\". " + last_error_text());
    for (const auto& name : folder_entries(from)) {
        const std::wstring source = from + L"\\" + name;
        const std::wstring target = to + L"\\" + name;
        const DWORD attributes = attributes_of(source);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            copy_tree(source, target);
        } else if (!CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr,
                                COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK)) {
            throw Error(L"Cannot copy file \"" + source + L"\" to \"" + target + L"\". " + last_error_text());
        }
    }
}

std::unique_ptr<StagedFile> Win32FileSystem::stage_text_file(const std::wstring& path,
                                                             const std::vector<std::wstring>& lines) {
    return stage_bytes(path, to_ansi(join_lines_crlf(lines)));
}

std::unique_ptr<StagedFile> Win32FileSystem::stage_binary_file(const std::wstring& path,
                                                               const std::vector<std::uint8_t>& bytes) {
    return stage_bytes(path, std::string(bytes.begin(), bytes.end()));
}

void Win32FileSystem::delete_tree(const std::wstring& path) {
    if (!directory_exists(path)) return;
    // The source list ends with two zeros; one zero comes with the string.
    std::wstring source = path;
    source.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.c_str();
    // No FOF_ALLOWUNDO: the tree is deleted for good, not moved to the Recycle Bin.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    const int result = shell_file_operation(&operation);
    // Success only when the folder is really gone: a file that another
    // program holds open stops the delete part way.
    if (result == 0 && !operation.fAnyOperationsAborted && !directory_exists(path)) return;
    throw Error(L"Cannot delete folder \"" + path + L"\". " + delete_tree_reason(result));
}

std::wstring Win32Folders::windows_folder() { return buffer_call(GetWindowsDirectoryW); }

std::wstring Win32Folders::system_folder() { return buffer_call(GetSystemDirectoryW); }

std::wstring Win32Folders::temp_folder() {
    const DWORD n = GetEnvironmentVariableW(L"TEMP", nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(L"TEMP", value.data(), n));
    return value;
}

std::wstring Win32Folders::system_drive() {
    const DWORD n = GetEnvironmentVariableW(L"SystemDrive", nullptr, 0);
    std::wstring drive;
    if (n != 0) {
        drive.resize(n);
        drive.resize(GetEnvironmentVariableW(L"SystemDrive", drive.data(), n));
    }
    // Without the variable, the drive of the Windows folder is the system drive.
    if (drive.size() < 2 || drive[1] != L':') drive = windows_folder().substr(0, 2);
    if (drive.size() == 2) drive += L'\\';
    return drive;
}

} // namespace vx
