#include "services/file_system_win.h"

#include <windows.h>

#include <shellapi.h>

#include <array>
#include <cwchar>

#include "services/error.h"
#include "services/handles_win.h"
#include "services/system_error_win.h"

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
    // The new text goes to a file of its own beside the old one, reaches the
    // disk, and only then takes the old file's place in one step, so a
    // failure at any point leaves the old file as it was.
    // A read-only file is not replaced: Windows refuses the move below with
    // "Access is denied", and the same answer is given here before anything
    // is written, also where a system (Wine) would replace it all the same.
    const DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw Error(L"Cannot replace file \"" + path + L"\". " + system_error_text(ERROR_ACCESS_DENIED));
    const std::wstring temporary = path + L".vantrix-new";
    const std::string bytes = to_ansi(join_lines_crlf(lines));
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
    const int result = SHFileOperationW(&operation);
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
