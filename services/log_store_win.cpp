#include "services/log_store_win.h"

#include <windows.h>

#include "services/error.h"
#include "services/handles_win.h"
#include "services/private_folder_win.h"
#include "services/system_error_win.h"

namespace vx {

std::wstring program_folder() {
    const std::wstring data = program_data_folder();
    return data.empty() ? std::wstring() : data + L"\\Vantrix";
}

std::wstring make_log_folder(const std::wstring& folder) {
    return make_private_folder(folder, kReadablePrivateFolderSecurity);
}

void Win32LogStore::check_folder() {
    if (!checked_) {
        problem_ = folder_.get().empty() ? L"the ProgramData folder is not known" : make_folder_(folder_.get());
        checked_ = true;
    }
    if (!problem_.empty()) throw Error(L"The log cannot be written to \"" + folder_.get() + L"\": " + problem_);
}

std::uint64_t Win32LogStore::size() {
    check_folder();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file_path().c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Win32LogStore::append(const std::string& bytes) {
    check_folder();
    // Appends only; a link planted at the name is opened as itself, not followed.
    UniqueFile file(CreateFileW(file_path().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) throw Error(L"Cannot open the log \"" + file_path() + L"\": " + last_error_text());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw Error(L"Cannot write the log \"" + file_path() + L"\": " + last_error_text());
}

void Win32LogStore::roll() {
    check_folder();
    if (!MoveFileExW(file_path().c_str(), previous_path().c_str(), MOVEFILE_REPLACE_EXISTING))
        throw Error(L"Cannot roll the log \"" + file_path() + L"\" over: " + last_error_text());
}

} // namespace vx
