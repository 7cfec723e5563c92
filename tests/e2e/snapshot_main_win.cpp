// Waits for the main window of a running Vantrix, then saves a screenshot of
// it: `make run` uses it to show what the program looks like when there is no
// display to look at.
//
//   vx_snapshot OUTPUT.png [SECONDS]

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: vx_snapshot OUTPUT.png [SECONDS]\n", stderr);
        return 2;
    }
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 60;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        HWND main = FindWindowW(L"TFORM_UTAMA", nullptr);
        if (main && IsWindowVisible(main)) {
            vx::e2e::pause(1500); // let it finish painting
            if (!vx::e2e::save_screenshot(main, argv[1])) return 1;
            return 0;
        }
        Sleep(100);
    }
    std::fputs("vx_snapshot: no main window appeared\n", stderr);
    return 1;
}
