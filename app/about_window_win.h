#pragma once

#include <windows.h>

#include <memory>

#include "app/controls_win.h"
#include "app/dpi.h"

namespace vx {

// The About window: logo, name, version, the homepage and e-mail links and
// the copyright notice. Made once at start-up; showing it runs a modal loop
// and "OK", Esc or the close box hide it again for the next time.
class TFORM_TENTANG {
public:
    TFORM_TENTANG() = default;
    TFORM_TENTANG(const TFORM_TENTANG&) = delete;
    TFORM_TENTANG& operator=(const TFORM_TENTANG&) = delete;

    // `owner` is the main window, whose icon the window takes.
    void create(HINSTANCE instance, HWND owner);
    // Centres the window on its owner, shows it and returns once it is hidden.
    void show_modal();
    HWND handle() const { return hwnd_; }
    HWND component(int id) const { return controls_ ? controls_->find(id) : nullptr; }

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);
    void on_command(int id, WORD code);
    void centre_on_owner();
    void hide();

    void FormCreate();
    void BTN_OKClick();
    void LABEL_HOMEPAGEClick();
    void LABEL_HOMEPAGEMouseMove();
    void LABEL_HOMEPAGEMouseLeave();
    void LABEL_EMAILClick();
    void LABEL_EMAILMouseMove();
    void LABEL_EMAILMouseLeave();

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    DpiScale scale_;
    std::unique_ptr<FormControls> controls_;
    bool modal_ = false;
};

extern TFORM_TENTANG* FORM_TENTANG;

} // namespace vx
