#pragma once

#include <windows.h>

#include "app/dpi.h"
#include "services/handles_win.h"

namespace vx {

// The main window. Its creation handler runs the platform gate and fills
// the Home page's information labels.
class TFORM_UTAMA {
public:
    TFORM_UTAMA() = default;
    TFORM_UTAMA(const TFORM_UTAMA&) = delete;
    TFORM_UTAMA& operator=(const TFORM_UTAMA&) = delete;

    void create(HINSTANCE instance);
    void show();
    HWND handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);
    void build();
    void FormCreate();
    HWND label(const wchar_t* text, int x, int y, HFONT font);

    HWND hwnd_ = nullptr;
    DpiScale scale_;
    UniqueGdiObject font_value_, font_bold_;
    HWND lblWinName_ = nullptr, lblMBoard_ = nullptr, lblCPUName_ = nullptr, lblTOTALRAM_ = nullptr;
};

// The global reference of the main window, set before the window is made.
extern TFORM_UTAMA* FORM_UTAMA;

} // namespace vx
