#include "services/command_runner_win.h"

#include <array>

#include "services/system_error_win.h"

namespace vx {

namespace {

std::wstring system_folder() {
    std::array<wchar_t, MAX_PATH + 2> buffer{};
    return std::wstring(buffer.data(), GetSystemDirectoryW(buffer.data(), MAX_PATH));
}

// This process's environment as its entries.
std::vector<std::wstring> environment_entries() {
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    if (!strings) return entries;
    for (const wchar_t* entry = strings; *entry; entry += entries.back().size() + 1)
        entries.emplace_back(entry);
    FreeEnvironmentStringsW(strings);
    return entries;
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
    // The child starts in the system folder rather than in the folder this
    // program was started from (Downloads, say), and with
    // NoDefaultCurrentDirectoryInExePath set, so that neither cmd's search for
    // a bare command name nor the child's own searches look in a folder the
    // user can write to.
    const std::wstring folder = system_folder();
    std::wstring environment = environment_block(environment_entries(), L"NoDefaultCurrentDirectoryInExePath", L"1");
    if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS, environment.data(),
                        folder.c_str(), &startup, &info))
        return child;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    return child;
}

int Win32CommandRunner::run(const std::wstring& command_line, std::uint16_t show) {
    Child child = create(command_line, show);
    if (!child.process) return -1;
    HANDLE process = child.process.get();
    if (process_messages_) {
        // Wakes as soon as the child ends or a message arrives, and handles
        // the messages in between. A quit request the message handling leaves
        // in the queue would wake the wait at once, again and again; while one
        // is there, the child is polled every 50 ms instead, with sent
        // messages still handled.
        for (;;) {
            process_messages_();
            MSG quit;
            const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
            const DWORD woke =
                quitting ? WaitForSingleObject(process, 50)
                         : MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        }
    }
    WaitForSingleObject(process, INFINITE);
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
