#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "app/components.h"
#include "app/dpi.h"
#include "app/layout.h"
#include "app/pictures_win.h"
#include "services/handles_win.h"

namespace vx {

// Notification codes that link labels and speed buttons send to their
// top-level window in WM_COMMAND, with their control ID and handle. A click
// uses the code of a button's click (BN_CLICKED, 0).
inline constexpr WORD kControlClicked = BN_CLICKED;
inline constexpr WORD kLabelMouseMove = 0x0A01;
inline constexpr WORD kLabelMouseLeave = 0x0A02;

// Window classes of the controls the system does not offer: labels and
// pictures that show what lies beneath them, flat speed buttons, plain and
// raised panels, and scroll boxes. Registered once per process.
void register_control_classes(HINSTANCE instance);

inline constexpr wchar_t kLabelClass[] = L"VantrixLabel";
inline constexpr wchar_t kPictureClass[] = L"VantrixPicture";
inline constexpr wchar_t kSpeedButtonClass[] = L"VantrixSpeedButton";
inline constexpr wchar_t kPanelClass[] = L"VantrixPanel";
inline constexpr wchar_t kScrollBoxClass[] = L"VantrixScrollBox";

// A label's font style: underlined or none. Only the label itself changes.
void set_label_underline(HWND label, bool underline);
// A label's text colour; only the label itself changes.
void set_label_colour(HWND label, COLORREF colour);

// Draws into `dc` (in the window's client coordinates) what lies beneath the
// window: its parent's background and the pictures below it among its siblings.
void paint_beneath(HWND window, HDC dc);

// The window that holds a scroll box's rows and moves when it scrolls.
HWND scroll_box_content(HWND box);
// True for the windows of the scroll-box class.
bool is_scroll_box(HWND window);

// The controls of one form, made from its layout tables: the windows, the
// fonts at the form's DPI, and what the containers and pictures share. It
// lives as long as the form's window.
class FormControls {
public:
    FormControls(HWND form, const FormSpec& control, const DpiScale& scale);
    FormControls(const FormControls&) = delete;
    FormControls& operator=(const FormControls&) = delete;

    // Creates the controls in the order given; parents come before their children.
    void create(std::span<const ControlSpec> controls);
    // Once every control exists: places the pages in the page control's
    // display area, shows the first page and sets the scroll boxes' ranges.
    void finish();
    // Adds controls to a finished form (the pages made after the first
    // paint) and sets the ranges of the scroll boxes among them.
    void add(std::span<const ControlSpec> controls);

    // The window of a component; null when there is none.
    HWND find(int id) const;
    HFONT default_font() { return font(form_font_); }
    const DpiScale& scale() const { return scale_; }

    // Shows the page the page control has selected and hides the others.
    void show_selected_page();

private:
    struct Background {
        HBRUSH brush;
        COLORREF colour;
    };

    HFONT font(const FontSpec& control, bool underline = false);
    HWND parent_window(int parent) const;
    Background background_of(int parent) const;
    Background resolve(Colour colour, int parent) const;

    HWND create_label(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_picture(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_speed_button(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_button(const ControlSpec& control, const ScaledControl& at, HWND parent, DWORD style);
    HWND create_group_box(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_panel(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_page_control(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_page(const ControlSpec& control, HWND parent);
    HWND create_scroll_box(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_list_view(const ControlSpec& control, const ScaledControl& at, HWND parent);
    HWND create_list_box(const ControlSpec& control, const ScaledControl& at, HWND parent);

    HWND form_;
    FontSpec form_font_;
    Background form_background_;
    DpiScale scale_;
    HINSTANCE instance_;

    std::map<int, HWND> windows_;    // by component or row ID
    std::map<int, HWND> containers_; // where a container's children go (a scroll box's content)
    std::map<int, Background> backgrounds_;
    std::map<std::tuple<int, bool, bool>, UniqueGdiObject> fonts_;
    std::map<std::wstring, std::shared_ptr<const Icon>, std::less<>> icons_; // row icons shared by location
    std::shared_ptr<const Bitmap> fallback_icon_;
    HWND page_control_ = nullptr;
    std::vector<HWND> pages_;
    std::vector<HWND> scroll_boxes_;
};

} // namespace vx
