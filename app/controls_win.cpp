#include "app/controls_win.h"

#include <commctrl.h>

#include "app/control_window_win.h"
#include "app/group_box_win.h"
#include "app/label_win.h"
#include "app/panel_win.h"
#include "app/picture_box_win.h"
#include "app/scroll_box_win.h"
#include "app/speed_button_win.h"
#include "services/error.h"

namespace vx {

namespace {

constexpr wchar_t kTahoma[] = L"Tahoma";
// The picture a row shows when the system has no icon for its type.
constexpr wchar_t kFallbackRowIcon[] = L"GENERIC_FILE";

std::wstring caption_of(const ControlSpec& control) {
    return std::wstring(control.caption);
}

} // namespace

void register_control_classes(HINSTANCE instance) {
    controls::register_control_class(instance, kLabelClass);
    controls::register_control_class(instance, kPictureClass);
    controls::register_control_class(instance, kSpeedButtonClass);
    controls::register_control_class(instance, kPanelClass);
    controls::register_control_class(instance, kScrollBoxClass);
}

// ---------------------------------------------------------------------------

FormControls::FormControls(HWND form, const FormSpec& control, const DpiScale& scale)
    : form_(form), form_font_(control.font), scale_(scale),
      instance_(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form, GWLP_HINSTANCE))) {
    register_control_classes(instance_);
    form_background_ = resolve(control.colour, kFormParent);
    backgrounds_[kFormParent] = form_background_;
}

HFONT FormControls::font(const FontSpec& control, bool underline) {
    const FontSpec& chosen = control.height != 0 ? control : form_font_;
    const auto key = std::make_tuple(scale_(chosen.height), chosen.bold, underline);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return static_cast<HFONT>(found->second.get());
    HFONT font = CreateFontW(std::get<0>(key), 0, 0, 0, chosen.bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, kTahoma);
    if (!font) throw Error(L"Cannot create the Tahoma font");
    fonts_.emplace(key, UniqueGdiObject(font));
    return font;
}

HWND FormControls::find(int id) const {
    auto found = windows_.find(id);
    return found != windows_.end() ? found->second : nullptr;
}

HWND FormControls::parent_window(int parent) const {
    if (parent == kFormParent) return form_;
    auto container = containers_.find(parent);
    if (container != containers_.end()) return container->second;
    HWND window = find(parent);
    if (!window) throw Error(L"A control's parent was not created before it");
    return window;
}

FormControls::Background FormControls::background_of(int parent) const {
    auto found = backgrounds_.find(parent);
    return found != backgrounds_.end() ? found->second : form_background_;
}

FormControls::Background FormControls::resolve(Colour colour, int parent) const {
    switch (colour) {
    case Colour::inherit:
        return background_of(parent);
    case Colour::white:
        return {static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), RGB(255, 255, 255)};
    case Colour::shadow:
        return {GetSysColorBrush(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW)};
    case Colour::highlight:
        return {GetSysColorBrush(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT)};
    case Colour::menu_highlight:
        return {GetSysColorBrush(COLOR_MENUHILIGHT), GetSysColor(COLOR_MENUHILIGHT)};
    case Colour::hot_light:
        return {GetSysColorBrush(COLOR_HOTLIGHT), GetSysColor(COLOR_HOTLIGHT)};
    case Colour::button_face:
        break;
    }
    return {GetSysColorBrush(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE)};
}

void FormControls::create(std::span<const ControlSpec> controls) {
    for (const ControlSpec& control : controls) {
        const ScaledControl at = scale_control(control, scale_);
        HWND parent = parent_window(control.parent);
        HWND window = nullptr;
        switch (control.kind) {
        case ControlKind::label:
            window = create_label(control, at, parent);
            break;
        case ControlKind::picture:
        case ControlKind::file_icon:
            window = create_picture(control, at, parent);
            break;
        case ControlKind::speed_button:
            window = create_speed_button(control, at, parent);
            break;
        case ControlKind::button:
            window = create_button(control, at, parent,
                                   (control.flags & flag::default_button) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ControlKind::check_box:
            window = create_button(control, at, parent, BS_AUTOCHECKBOX);
            break;
        case ControlKind::group_box:
            window = create_group_box(control, at, parent);
            break;
        case ControlKind::panel:
            window = create_panel(control, at, parent);
            break;
        case ControlKind::page_control:
            window = create_page_control(control, at, parent);
            break;
        case ControlKind::page:
            window = create_page(control, parent);
            break;
        case ControlKind::scroll_box:
            window = create_scroll_box(control, at, parent);
            break;
        case ControlKind::list_view:
            window = create_list_view(control, at, parent);
            break;
        case ControlKind::list_box:
            window = create_list_box(control, at, parent);
            break;
        }
        if (!window) throw Error(L"Cannot create the window's controls");
        if (control.id != kUnnamedId) windows_[control.id] = window;
    }
}

namespace {

DWORD child_style(const ControlSpec& control) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (!(control.flags & flag::hidden)) style |= WS_VISIBLE;
    if (control.flags & flag::tab_stop) style |= WS_TABSTOP;
    return style;
}

void set_font(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

HWND FormControls::create_label(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    const COLORREF colour = control.colour == Colour::inherit ? GetSysColor(COLOR_WINDOWTEXT)
                                                              : resolve(control.colour, control.parent).colour;
    HFONT normal = font(control.font);
    HFONT underlined = (control.flags & flag::link) ? font(control.font, true) : nullptr;
    HWND window = controls::create_label_window(colour, normal, underlined, control.flags, SIZE{at.width, at.height},
                                                caption_of(control).c_str(), child_style(control), at, parent,
                                                control.id, instance_);
    if (window) set_font(window, normal);
    return window;
}

HWND FormControls::create_picture(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    std::shared_ptr<const Bitmap> bitmap;
    std::shared_ptr<const Icon> icon;
    if (control.kind == ControlKind::file_icon) {
        auto cached = icons_.find(control.caption);
        if (cached != icons_.end()) {
            icon = cached->second;
        } else {
            icon = load_location_icon(control.caption, at.width);
            icons_.emplace(std::wstring(control.caption), icon);
        }
        if (!icon) {
            if (!fallback_icon_) fallback_icon_ = load_picture(kFallbackRowIcon, scale_, at.width, at.height);
            bitmap = fallback_icon_;
        }
    } else if (control.flags & flag::unscaled) {
        bitmap = load_picture(control.caption, scale_);
    } else {
        bitmap = load_picture(control.caption, scale_, at.width, at.height);
    }
    const bool centred = !(control.flags & flag::unscaled);
    return controls::create_picture_window(bitmap, icon, centred, child_style(control), at, parent, control.id,
                                           instance_);
}

HWND FormControls::create_speed_button(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    auto glyph = load_picture(control.caption, scale_);
    return controls::create_speed_button_window(glyph, child_style(control), at, parent, control.id, instance_);
}

HWND FormControls::create_button(const ControlSpec& control, const ScaledControl& at, HWND parent, DWORD style) {
    HWND window = CreateWindowExW(0, L"BUTTON", caption_of(control).c_str(), child_style(control) | style, at.x, at.y,
                                  at.width, at.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

HWND FormControls::create_group_box(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window =
        CreateWindowExW(WS_EX_CONTROLPARENT, L"BUTTON", caption_of(control).c_str(),
                        child_style(control) | WS_CLIPCHILDREN | BS_GROUPBOX, at.x, at.y, at.width, at.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    controls::subclass_group_box(window);
    backgrounds_[control.id] = resolve(control.colour, control.parent);
    return window;
}

HWND FormControls::create_panel(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    const Background background = resolve(control.colour, control.parent);
    HWND window = controls::create_panel_window(
        background.brush, background.colour, (control.flags & flag::raised) != 0, WS_EX_CONTROLPARENT,
        caption_of(control).c_str(), child_style(control) | WS_CLIPCHILDREN, at, parent, control.id, instance_);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    backgrounds_[control.id] = background;
    return window;
}

HWND FormControls::create_page_control(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    // Not a tab stop, and a click on a tab leaves the focus where it is: the
    // pages' controls are reached with Tab, the tab strip only with the mouse.
    const DWORD style = child_style(control) | WS_CLIPCHILDREN | TCS_TABS | TCS_SINGLELINE | TCS_FOCUSNEVER;
    HWND window =
        CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"", style, at.x, at.y, at.width, at.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    SendMessageW(window, TCM_SETITEMSIZE, 0, MAKELPARAM(0, scale_(kTabHeight)));
    page_control_ = window;
    containers_[control.id] = window;
    backgrounds_[control.id] = resolve(control.colour, control.parent);
    return window;
}

HWND FormControls::create_page(const ControlSpec& control, HWND parent) {
    const Background background = resolve(control.colour, control.parent);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (pages_.empty() ? WS_VISIBLE : 0);
    HWND window = controls::create_panel_window(background.brush, background.colour, false, WS_EX_CONTROLPARENT,
                                                caption_of(control).c_str(), style, {0, 0, 0, 0, 0}, parent, control.id,
                                                instance_);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    std::wstring caption = caption_of(control);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(parent, TCM_INSERTITEMW, pages_.size(), reinterpret_cast<LPARAM>(&item));
    pages_.push_back(window);
    backgrounds_[control.id] = background;
    return window;
}

HWND FormControls::create_scroll_box(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    const Background background = resolve(control.colour, control.parent);
    const bool flat = (control.flags & flag::flat_scroll_bar) != 0;
    HWND box = controls::create_scroll_box_window(
        (control.flags & flag::smooth) != 0, flat, scale_(8), background.brush, background.colour,
        child_style(control) | WS_CLIPCHILDREN | WS_VSCROLL, at, parent, control.id, instance_);
    if (!box) return nullptr;
    containers_[control.id] = scroll_box_content(box);
    backgrounds_[control.id] = background;
    scroll_boxes_.push_back(box);
    return box;
}

HWND FormControls::create_list_view(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", child_style(control) | LVS_REPORT, at.x, at.y,
                                  at.width, at.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

HWND FormControls::create_list_box(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"", child_style(control) | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, at.x, at.y,
        at.width, at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

void FormControls::finish() {
    if (page_control_) {
        RECT display = controls::client_rect(page_control_);
        SendMessageW(page_control_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        for (HWND page : pages_)
            SetWindowPos(page, nullptr, display.left, display.top, display.right - display.left,
                         display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(page_control_, TCM_SETCURSEL, 0, 0);
        show_selected_page();
    }
    for (HWND box : scroll_boxes_)
        controls::update_scroll_box(box);
}

void FormControls::add(std::span<const ControlSpec> controls) {
    const std::size_t known_boxes = scroll_boxes_.size();
    create(controls);
    for (std::size_t i = known_boxes; i < scroll_boxes_.size(); ++i)
        controls::update_scroll_box(scroll_boxes_[i]);
}

void FormControls::show_selected_page() {
    if (!page_control_) return;
    const auto selected = static_cast<std::size_t>(SendMessageW(page_control_, TCM_GETCURSEL, 0, 0));
    // The page that goes hides first, so that the focus never stays on a
    // control that cannot be seen.
    HWND focus = GetFocus();
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (i == selected) continue;
        if (focus && IsChild(pages_[i], focus)) SetFocus(form_);
        ShowWindow(pages_[i], SW_HIDE);
    }
    if (selected < pages_.size()) ShowWindow(pages_[selected], SW_SHOW);
}

} // namespace vx
