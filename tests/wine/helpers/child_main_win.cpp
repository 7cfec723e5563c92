// A stand-in program for the Wine tests.
//
//   vx_child exit N               ends with exit code N
//   vx_child sleep MS [N]         sleeps, then ends with N (default 0)
//   vx_child post HWND MSG MS     posts MSG to the window, sleeps MS, ends with 0
//   vx_child args FILE            writes its command line and arguments to FILE
//   vx_child where FILE           writes its current folder and, on a second
//                                 line, NoDefaultCurrentDirectoryInExePath's
//                                 value ("(unset)" when not set) to FILE
//   vx_child key PID              presses the space bar in the console of the
//                                 process PID; ends with 0 when it got there
//   vx_child tamper FILE SOURCE   for up to two minutes, keeps trying to
//                                 overwrite FILE with SOURCE's bytes, to rename
//                                 it away and to delete it, putting SOURCE's
//                                 bytes in its place each time it got one in
//
// Started under any other name (a planted reg.exe, a fake explorer.exe), it
// writes "<its own path>.ran" to show it ran, then sleeps for the number of
// milliseconds in VX_CHILD_SLEEP (default none) and ends with the code in
// VX_CHILD_EXIT (default 77).

#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

std::wstring own_path() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, n);
}

void write_file(const std::wstring& path, const std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    // UTF-16LE with a byte-order mark: the tests read it back as wide text.
    const wchar_t bom = 0xFEFF;
    DWORD written = 0;
    WriteFile(file, &bom, sizeof(bom), &written, nullptr);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
}

int number(const wchar_t* text) {
    return static_cast<int>(std::wcstol(text, nullptr, 10));
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring self = own_path();
    const std::wstring base = self.substr(self.find_last_of(L'\\') + 1);
    if (_wcsicmp(base.c_str(), L"vx_child.exe") != 0) {
        write_file(self + L".ran", GetCommandLineW());
        wchar_t wait[32] = {};
        if (GetEnvironmentVariableW(L"VX_CHILD_SLEEP", wait, 32) > 0) Sleep(static_cast<DWORD>(number(wait)));
        wchar_t code[32] = {};
        return GetEnvironmentVariableW(L"VX_CHILD_EXIT", code, 32) > 0 ? number(code) : 77;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"exit") == 0) return number(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"sleep") == 0) {
        Sleep(static_cast<DWORD>(number(argv[2])));
        return argc >= 4 ? number(argv[3]) : 0;
    }
    if (argc >= 5 && std::wcscmp(argv[1], L"post") == 0) {
        auto window = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[2], nullptr, 10)));
        PostMessageW(window, static_cast<UINT>(number(argv[3])), 0, 0);
        Sleep(static_cast<DWORD>(number(argv[4])));
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"args") == 0) {
        std::wstring text = GetCommandLineW();
        for (int i = 0; i < argc; ++i)
            text += L"\n" + std::wstring(argv[i]);
        write_file(argv[2], text);
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"where") == 0) {
        wchar_t folder[MAX_PATH * 2] = {};
        GetCurrentDirectoryW(MAX_PATH * 2, folder);
        wchar_t value[64] = {};
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", value, 64);
        const bool unset = n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND;
        write_file(argv[2], std::wstring(folder) + L"\n" + (unset ? std::wstring(L"(unset)") : std::wstring(value)));
        return 0;
    }
    if (argc >= 4 && std::wcscmp(argv[1], L"tamper") == 0) {
        const std::wstring target = argv[2];
        const std::wstring moved = target + L".moved";
        std::string bytes;
        {
            HANDLE source = CreateFileW(argv[3], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (source == INVALID_HANDLE_VALUE) return 2;
            char chunk[65536];
            DWORD got = 0;
            while (ReadFile(source, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
            CloseHandle(source);
        }
        const auto plant = [&](DWORD disposition) {
            HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) return;
            DWORD written = 0;
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            SetEndOfFile(file);
            CloseHandle(file);
        };
        const DWORD until = GetTickCount() + 120000;
        while (static_cast<LONG>(until - GetTickCount()) > 0) {
            plant(OPEN_EXISTING);
            if (MoveFileExW(target.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING)) plant(CREATE_NEW);
            if (DeleteFileW(target.c_str())) plant(CREATE_NEW);
            plant(CREATE_NEW);
        }
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"key") == 0) {
        FreeConsole();
        if (!AttachConsole(static_cast<DWORD>(number(argv[2])))) return 2;
        HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        if (input == INVALID_HANDLE_VALUE) return 3;
        INPUT_RECORD records[2] = {};
        for (int i = 0; i < 2; ++i) {
            records[i].EventType = KEY_EVENT;
            records[i].Event.KeyEvent.bKeyDown = i == 0;
            records[i].Event.KeyEvent.wRepeatCount = 1;
            records[i].Event.KeyEvent.wVirtualKeyCode = VK_SPACE;
            records[i].Event.KeyEvent.uChar.UnicodeChar = L' ';
        }
        DWORD written = 0;
        const BOOL ok = WriteConsoleInputW(input, records, 2, &written);
        CloseHandle(input);
        return ok && written == 2 ? 0 : 4;
    }
    return 1;
}
