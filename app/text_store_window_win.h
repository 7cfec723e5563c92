#pragma once

#include <windows.h>

namespace vx {

// The text store window: never shown; it holds the popup menu PMENU_APP with
// its one item "Tentang", which opens the About window. (The stored texts
// themselves are resources of the program, read through the services.)
class TFORM_LAIN {
public:
    TFORM_LAIN() = default;
    ~TFORM_LAIN();
    TFORM_LAIN(const TFORM_LAIN&) = delete;
    TFORM_LAIN& operator=(const TFORM_LAIN&) = delete;

    void create(HINSTANCE instance, HWND owner);
    HWND handle() const { return hwnd_; }
    HMENU PMENU_APP() const { return popup_; }

    // Pops PMENU_APP up with its top-left corner at `screen`; the chosen item's
    // handler runs before this returns. `owner` takes the menu's keyboard.
    void popup(POINT screen, HWND owner);

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void PMENU_TENTANGClick();

    HWND hwnd_ = nullptr;
    HMENU popup_ = nullptr;
};

extern TFORM_LAIN* FORM_LAIN;

} // namespace vx
