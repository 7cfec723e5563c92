#include "services/command_runner_win.h"

#include <array>

#include "services/system_error_win.h"

namespace vx {

namespace {

std::wstring module_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring current_folder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring path(n, L'\0');
    path.resize(GetCurrentDirectoryW(n, path.data()));
    return path;
}

std::wstring environment(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

std::wstring system_folder() {
    std::array<wchar_t, MAX_PATH + 2> buffer{};
    return std::wstring(buffer.data(), GetSystemDirectoryW(buffer.data(), MAX_PATH));
}

bool is_file(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

Win32CommandRunner::Win32CommandRunner(std::function<void()> process_messages)
    : process_messages_(std::move(process_messages)) {}

std::wstring Win32CommandRunner::resolve(const std::wstring& command_line) {
    ProgramSearch search;
    search.system_folder = system_folder();
    search.path_variable = environment(L"PATH");
    search.excluded = {module_folder(), current_folder()};
    search.file_exists = is_file;
    const auto found = find_program(program_token(command_line), search);
    if (!found || !is_file(*found)) return {};
    return *found;
}

Win32CommandRunner::Child Win32CommandRunner::create(const std::wstring& command_line, std::uint16_t show) {
    check_command_line(command_line);
    Child child;
    const std::wstring program = resolve(command_line);
    if (program.empty()) return child;

    // Process creation needs a writable command line: 512 units and the zero.
    std::array<wchar_t, kMaxCommandLine + 1> buffer{};
    command_line.copy(buffer.data(), command_line.size());

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info{};
    // The program is named by its full path, so the system does no search of
    // its own (which would look beside this program and in the current folder).
    if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info))
        return child;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    return child;
}

int Win32CommandRunner::run(const std::wstring& command_line, std::uint16_t show) {
    Child child = create(command_line, show);
    if (!child.process) return -1;
    while (WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT) {
        if (process_messages_) process_messages_();
        Sleep(50);
    }
    WaitForSingleObject(child.process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(child.process.get(), &code)) return -1;
    return static_cast<int>(code);
}

std::wstring Win32CommandRunner::error_text(std::uint32_t code) {
    return system_error_text(code);
}

bool Win32CommandRunner::start(const std::wstring& command_line, std::uint16_t show) {
    return static_cast<bool>(create(command_line, show).process);
}

} // namespace vx
