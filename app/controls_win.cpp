#include "app/controls_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "services/error.h"

namespace vx {

namespace {

constexpr wchar_t kTahoma[] = L"Tahoma";
// The picture a row shows when the system has no icon for its type.
constexpr wchar_t kFallbackRowIcon[] = L"GENERIC_FILE";
constexpr UINT_PTR kGroupBoxSubclass = 0x56584742; // any number unique to this subclass

HWND root_of(HWND window) {
    return GetAncestor(window, GA_ROOT);
}

void notify_root(HWND window, WORD code) {
    const int id = GetDlgCtrlID(window);
    SendMessageW(root_of(window), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                 reinterpret_cast<LPARAM>(window));
}

RECT client_rect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

// The window's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool has_class(HWND window, const wchar_t* name) {
    wchar_t buffer[64];
    return GetClassNameW(window, buffer, 64) > 0 && lstrcmpiW(buffer, name) == 0;
}

// A window's own C++ object, created with the window and deleted with it.
class ControlState {
public:
    virtual ~ControlState() = default;
    virtual LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

LRESULT CALLBACK state_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        delete state;
        return result;
    }
    return state ? state->handle(window, message, wparam, lparam) : DefWindowProcW(window, message, wparam, lparam);
}

template <typename State> State* state_of(HWND window, const wchar_t* class_name) {
    if (!window || !has_class(window, class_name)) return nullptr;
    return static_cast<State*>(reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
}

// Paints a window through `paint` into a memory bitmap first, so that what
// lies beneath and the window's own content reach the screen in one step.
template <typename Paint> void buffered_paint(HWND window, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const RECT rect = client_rect(window);
    const int width = rect.right, height = rect.bottom;
    HDC memory = width > 0 && height > 0 ? CreateCompatibleDC(dc) : nullptr;
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    } else {
        paint(dc);
    }
    if (memory) DeleteDC(memory);
    EndPaint(window, &ps);
}

// ---------------------------------------------------------------------------
// Containers: pages, row panels, raised category headers, a scroll box's
// content. They paint their background colour, answer their children's
// colour requests with it, and pass their children's commands and
// notifications on to the top-level window, where the handlers are.

LRESULT forward_to_root(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND root = root_of(window);
    return root && root != window ? SendMessageW(root, message, wparam, lparam) : 0;
}

class PanelState : public ControlState {
public:
    PanelState(HBRUSH brush, COLORREF colour, bool raised) : brush_(brush), colour_(colour), raised_(raised) {}

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return forward_to_root(window, message, wparam, lparam);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetBkColor(dc, colour_);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(brush_);
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            paint(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(lparam)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    void paint(HWND window, HDC dc) const {
        RECT rect = client_rect(window);
        FillRect(dc, &rect, brush_);
        if (!raised_) return;
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        wchar_t caption[256];
        const int length = GetWindowTextW(window, caption, 256);
        HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        // The caption keeps the form's "&&", which shows as one ampersand.
        DrawTextW(dc, caption, length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }

    HBRUSH brush_;
    COLORREF colour_;
    bool raised_;
    HFONT font_ = nullptr;
};

// A group box is the system's own, with the forwarding of the panels added,
// since the system's buttons keep their children's messages to themselves.
// It paints nothing inside its frame, and its parent clips it out, so it
// fills its inside with its parent's colour itself.
void erase_group_box(HWND window, HDC dc) {
    const RECT rect = client_rect(window);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(window), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    FillRect(dc, &rect, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK group_box_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return forward_to_root(window, message, wparam, lparam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetParent(window), message, wparam, lparam);
    case WM_ERASEBKGND:
        erase_group_box(window, reinterpret_cast<HDC>(wparam));
        return 1;
    case WM_PRINTCLIENT:
        erase_group_box(window, reinterpret_cast<HDC>(wparam));
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &group_box_proc, kGroupBoxSubclass);
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Labels: text in one colour over whatever lies beneath. A one-line label
// fits itself to its text, also when the text changes, and never shrinks
// below the size its table gives; a word-wrapped label keeps its size. A link
// label takes the hand cursor and reports clicks, mouse moves and the mouse
// leaving it; other labels let the mouse through to what lies beneath.

class LabelState : public ControlState {
public:
    LabelState(COLORREF colour, HFONT font, HFONT underlined, unsigned flags, SIZE least)
        : colour_(colour), font_(font), underlined_font_(underlined), flags_(flags), least_(least) {}

    void set_underline(HWND window, bool underline) {
        if (underline == underlined_) return;
        underlined_ = underline;
        InvalidateRect(window, nullptr, FALSE);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            buffered_paint(window, [&](HDC dc) { paint(window, dc); });
            return 0;
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wparam);
            fit_to_text(window);
            if (LOWORD(lparam)) InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(current_font());
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
            fit_to_text(window);
            InvalidateRect(window, nullptr, FALSE);
            return result;
        }
        case WM_NCHITTEST:
            return is_link() ? HTCLIENT : HTTRANSPARENT;
        case WM_SETCURSOR:
            if (is_link()) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (!is_link()) break;
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                tracking_ = TrackMouseEvent(&track) != FALSE;
            }
            notify_root(window, kLabelMouseMove);
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (is_link()) notify_root(window, kLabelMouseLeave);
            return 0;
        case WM_LBUTTONDOWN:
            if (!is_link()) break;
            pressed_ = true;
            SetCapture(window);
            return 0;
        case WM_LBUTTONUP: {
            if (!is_link() || !pressed_) break;
            pressed_ = false;
            if (GetCapture() == window) ReleaseCapture();
            const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            const RECT rect = client_rect(window);
            if (PtInRect(&rect, point)) notify_root(window, kControlClicked);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    bool is_link() const { return (flags_ & flag::link) != 0; }
    HFONT current_font() const { return underlined_ && underlined_font_ ? underlined_font_ : font_; }
    UINT format() const {
        return DT_NOPREFIX | DT_LEFT | DT_TOP | ((flags_ & flag::word_wrap) ? DT_WORDBREAK : DT_SINGLELINE);
    }

    std::wstring text(HWND window) const {
        std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
        buffer.resize(static_cast<std::size_t>(GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()))));
        return buffer;
    }

    void fit_to_text(HWND window) {
        if (flags_ & flag::word_wrap) return;
        HDC dc = GetDC(window);
        if (!dc) return;
        HGDIOBJ old = SelectObject(dc, font_);
        const std::wstring caption = text(window);
        RECT rect{0, 0, 0, 0};
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, DT_CALCRECT | format());
        if (caption.empty()) {
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            rect.bottom = metrics.tmHeight;
        }
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        SetWindowPos(window, nullptr, 0, 0, std::max(rect.right, least_.cx), std::max(rect.bottom, least_.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void paint(HWND window, HDC dc) const {
        paint_beneath(window, dc);
        RECT rect = client_rect(window);
        const std::wstring caption = text(window);
        HGDIOBJ old = SelectObject(dc, current_font());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colour_);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, format());
        SelectObject(dc, old);
    }

    COLORREF colour_;
    HFONT font_;
    HFONT underlined_font_;
    unsigned flags_;
    bool underlined_ = false;
    bool tracking_ = false;
    SIZE least_;
    bool pressed_ = false;
};

// ---------------------------------------------------------------------------
// Pictures: a bitmap with transparency or an icon, over whatever lies beneath.

class PictureState : public ControlState {
public:
    PictureState(std::shared_ptr<const Bitmap> bitmap, std::shared_ptr<const Icon> icon, bool centred)
        : bitmap_(std::move(bitmap)), icon_(std::move(icon)), centred_(centred) {}

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            buffered_paint(window, [&](HDC dc) { paint(window, dc); });
            return 0;
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

    // Drawn only by this window: what lies beneath is not asked for, so that
    // a sibling above can ask this picture for its part without recursion
    // into itself.
    void paint_own(HWND window, HDC dc) const {
        const RECT rect = client_rect(window);
        if (bitmap_) {
            const int x = centred_ ? (rect.right - bitmap_->width) / 2 : 0;
            const int y = centred_ ? (rect.bottom - bitmap_->height) / 2 : 0;
            draw_bitmap(dc, *bitmap_, x, y);
        } else if (icon_) {
            DrawIconEx(dc, 0, 0, icon_->handle.get(), rect.right, rect.bottom, 0, nullptr, DI_NORMAL);
        }
    }

private:
    void paint(HWND window, HDC dc) const {
        paint_beneath(window, dc);
        paint_own(window, dc);
    }

    std::shared_ptr<const Bitmap> bitmap_;
    std::shared_ptr<const Icon> icon_;
    bool centred_;
};

// ---------------------------------------------------------------------------
// Speed buttons: a glyph without a frame until the mouse is over it; hand
// cursor; a click is reported like a button's.

class SpeedButtonState : public ControlState {
public:
    explicit SpeedButtonState(std::shared_ptr<const Bitmap> glyph) : glyph_(std::move(glyph)) {}

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            buffered_paint(window, [&](HDC dc) { paint(window, dc); });
            return 0;
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            if (!hot_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                hot_ = true;
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_MOUSELEAVE:
            hot_ = false;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            SetCapture(window);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            if (!pressed_) break;
            pressed_ = false;
            if (GetCapture() == window) ReleaseCapture();
            InvalidateRect(window, nullptr, FALSE);
            const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            const RECT rect = client_rect(window);
            if (PtInRect(&rect, point)) notify_root(window, kControlClicked);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case BM_CLICK:
            // A click made by the program, as the system's buttons take it.
            notify_root(window, kControlClicked);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    void paint(HWND window, HDC dc) const {
        paint_beneath(window, dc);
        RECT rect = client_rect(window);
        if (pressed_)
            DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
        else if (hot_)
            DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        if (glyph_)
            draw_bitmap(dc, *glyph_, (rect.right - glyph_->width) / 2 + (pressed_ ? 1 : 0),
                        (rect.bottom - glyph_->height) / 2 + (pressed_ ? 1 : 0));
    }

    std::shared_ptr<const Bitmap> glyph_;
    bool hot_ = false;
    bool pressed_ = false;
};

// ---------------------------------------------------------------------------
// Flat scroll bars, looked up in the common controls at run time (the
// import library of the cross-compiler lacks them). Where they are missing
// the standard scroll bar calls stand in; themed common controls draw the
// standard bar either way.

struct FlatScrollBars {
    using Initialize = BOOL(WINAPI*)(HWND);
    using SetInfo = int(WINAPI*)(HWND, int, LPSCROLLINFO, BOOL);
    using GetInfo = BOOL(WINAPI*)(HWND, int, LPSCROLLINFO);
    using SetProp = BOOL(WINAPI*)(HWND, UINT, INT_PTR, BOOL);
    Initialize initialize = nullptr;
    SetInfo set_info = nullptr;
    GetInfo get_info = nullptr;
    SetProp set_prop = nullptr;

    static const FlatScrollBars& get() {
        static const FlatScrollBars functions = [] {
            FlatScrollBars f;
            if (HMODULE module = GetModuleHandleW(L"comctl32.dll")) {
                f.initialize =
                    reinterpret_cast<Initialize>(reinterpret_cast<void*>(GetProcAddress(module, "InitializeFlatSB")));
                f.set_info =
                    reinterpret_cast<SetInfo>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_SetScrollInfo")));
                f.get_info =
                    reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_GetScrollInfo")));
                f.set_prop =
                    reinterpret_cast<SetProp>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_SetScrollProp")));
            }
            if (!f.initialize || !f.set_info || !f.get_info || !f.set_prop) f = FlatScrollBars{};
            return f;
        }();
        return functions;
    }
    bool available() const { return initialize != nullptr; }
};

void make_scroll_bar_flat(HWND window) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (!flat.available()) return;
    flat.initialize(window);
    flat.set_prop(window, WSB_PROP_VSTYLE, FSB_FLAT_MODE, FALSE);
}

void set_scroll_info(HWND window, bool flat_bar, SCROLLINFO& info) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (flat_bar && flat.available())
        flat.set_info(window, SB_VERT, &info, TRUE);
    else
        SetScrollInfo(window, SB_VERT, &info, TRUE);
}

void get_scroll_info(HWND window, bool flat_bar, SCROLLINFO& info) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (flat_bar && flat.available())
        flat.get_info(window, SB_VERT, &info);
    else
        GetScrollInfo(window, SB_VERT, &info);
}

// ---------------------------------------------------------------------------
// Scroll boxes: the rows sit in a content window as wide as the box, which
// moves up and down as the box scrolls. Only a vertical scroll bar exists; it
// shows when the rows are taller than the box. The thumb scrolls while it is
// dragged.

class ScrollBoxState : public ControlState {
public:
    ScrollBoxState(bool smooth, bool flat, int line) : smooth_(smooth), flat_(flat), line_(line) {}

    HWND content = nullptr;

    void update(HWND box) {
        int bottom = 0;
        for (HWND child = GetWindow(content, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            bottom = std::max(bottom, static_cast<int>(rect_in_parent(child).bottom));
        content_height_ = bottom;
        // Twice: showing the scroll bar narrows the client area, and the
        // page follows the client area's height.
        for (int pass = 0; pass < 2; ++pass) {
            const RECT rect = client_rect(box);
            SCROLLINFO info{sizeof(info),
                            SIF_RANGE | SIF_PAGE | SIF_POS,
                            0,
                            std::max(0, content_height_ - 1),
                            static_cast<UINT>(std::max(0L, rect.bottom)),
                            position_,
                            0};
            set_info(box, info);
        }
        position_ = get_position(box);
        place_content(box);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return forward_to_root(window, message, wparam, lparam);
        case WM_ERASEBKGND:
            return 1;
        case WM_VSCROLL:
            scroll(window, LOWORD(wparam));
            return 0;
        case WM_MOUSEWHEEL: {
            wheel_ += GET_WHEEL_DELTA_WPARAM(wparam);
            UINT lines = 3;
            SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
            if (lines == WHEEL_PAGESCROLL) lines = static_cast<UINT>(std::max(1, page(window) / line_step(window)));
            const int notches = wheel_ / WHEEL_DELTA;
            wheel_ -= notches * WHEEL_DELTA;
            scroll_to(window, position_ - notches * static_cast<int>(lines) * line_step(window));
            return 0;
        }
        case WM_SIZE:
            if (content) update(window);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    int page(HWND box) const { return static_cast<int>(client_rect(box).bottom); }
    int line_step(HWND box) const { return smooth_ ? std::max(1, page(box) / 10) : line_; }

    void set_info(HWND box, SCROLLINFO& info) { set_scroll_info(box, flat_, info); }
    int get_position(HWND box) {
        SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, 0, 0};
        get_scroll_info(box, flat_, info);
        return info.nPos;
    }
    int track_position(HWND box) {
        SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        get_scroll_info(box, flat_, info);
        return info.nTrackPos;
    }

    void scroll(HWND box, WORD request) {
        switch (request) {
        case SB_LINEUP:
            scroll_to(box, position_ - line_step(box));
            break;
        case SB_LINEDOWN:
            scroll_to(box, position_ + line_step(box));
            break;
        case SB_PAGEUP:
            scroll_to(box, position_ - page(box));
            break;
        case SB_PAGEDOWN:
            scroll_to(box, position_ + page(box));
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            scroll_to(box, track_position(box));
            break;
        case SB_TOP:
            scroll_to(box, 0);
            break;
        case SB_BOTTOM:
            scroll_to(box, content_height_);
            break;
        default:
            break;
        }
    }

    void scroll_to(HWND box, int position) {
        const int limit = std::max(0, content_height_ - page(box));
        position = std::clamp(position, 0, limit);
        if (position == position_) return;
        position_ = position;
        SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, position_, 0};
        set_info(box, info);
        place_content(box);
    }

    void place_content(HWND box) {
        const RECT rect = client_rect(box);
        SetWindowPos(content, nullptr, 0, -position_, rect.right,
                     std::max(content_height_, static_cast<int>(rect.bottom)), SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool smooth_;
    bool flat_;
    int line_;
    int content_height_ = 0;
    int position_ = 0;
    int wheel_ = 0;
};

void register_class(HINSTANCE instance, const wchar_t* name, UINT style = 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &state_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing)) return;
    if (!RegisterClassExW(&wc)) throw Error(L"Cannot register the window class " + std::wstring(name));
}

template <typename State>
HWND create_with_state(std::unique_ptr<State> state, DWORD ex_style, const wchar_t* class_name, const wchar_t* text,
                       DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    HWND window = CreateWindowExW(ex_style, class_name, text, style, at.x, at.y, at.width, at.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, state.get());
    // From WM_NCCREATE on, the window owns its state and deletes it with itself.
    if (window) state.release();
    return window;
}

std::wstring caption_of(const ControlSpec& control) {
    return std::wstring(control.caption);
}

} // namespace

void register_control_classes(HINSTANCE instance) {
    register_class(instance, kLabelClass);
    register_class(instance, kPictureClass);
    register_class(instance, kSpeedButtonClass);
    register_class(instance, kPanelClass);
    register_class(instance, kScrollBoxClass);
}

void set_label_underline(HWND label, bool underline) {
    if (auto* state = state_of<LabelState>(label, kLabelClass)) state->set_underline(label, underline);
}

void paint_beneath(HWND window, HDC dc) {
    HWND parent = GetParent(window);
    if (!parent) return;
    const RECT self = rect_in_parent(window);
    POINT origin;
    OffsetViewportOrgEx(dc, -self.left, -self.top, &origin);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    // The pictures below this window among its siblings, lowest first.
    for (HWND sibling = GetWindow(window, GW_HWNDLAST); sibling && sibling != window;
         sibling = GetWindow(sibling, GW_HWNDPREV)) {
        if (!IsWindowVisible(sibling)) continue;
        auto* picture = state_of<PictureState>(sibling, kPictureClass);
        if (!picture) continue;
        const RECT other = rect_in_parent(sibling);
        RECT overlap;
        if (!IntersectRect(&overlap, &self, &other)) continue;
        OffsetViewportOrgEx(dc, other.left - self.left, other.top - self.top, &origin);
        picture->paint_own(sibling, dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    }
}

HWND scroll_box_content(HWND box) {
    auto* state = state_of<ScrollBoxState>(box, kScrollBoxClass);
    return state ? state->content : nullptr;
}

bool is_scroll_box(HWND window) {
    return state_of<ScrollBoxState>(window, kScrollBoxClass) != nullptr;
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
            window =
                create_button(control, at, parent, (control.flags & flag::default_button) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
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
    const COLORREF colour =
        control.colour == Colour::inherit ? GetSysColor(COLOR_WINDOWTEXT) : resolve(control.colour, control.parent).colour;
    HFONT normal = font(control.font);
    HFONT underlined = (control.flags & flag::link) ? font(control.font, true) : nullptr;
    auto state = std::make_unique<LabelState>(colour, normal, underlined, control.flags, SIZE{at.width, at.height});
    HWND window = create_with_state(std::move(state), 0, kLabelClass, caption_of(control).c_str(), child_style(control), at,
                                    parent, control.id, instance_);
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
    return create_with_state(std::make_unique<PictureState>(bitmap, icon, centred), 0, kPictureClass, L"",
                             child_style(control), at, parent, control.id, instance_);
}

HWND FormControls::create_speed_button(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    auto glyph = load_picture(control.caption, scale_);
    return create_with_state(std::make_unique<SpeedButtonState>(glyph), 0, kSpeedButtonClass, L"", child_style(control),
                             at, parent, control.id, instance_);
}

HWND FormControls::create_button(const ControlSpec& control, const ScaledControl& at, HWND parent, DWORD style) {
    HWND window =
        CreateWindowExW(0, L"BUTTON", caption_of(control).c_str(), child_style(control) | style, at.x, at.y, at.width,
                        at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

HWND FormControls::create_group_box(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, L"BUTTON", caption_of(control).c_str(),
                                  child_style(control) | WS_CLIPCHILDREN | BS_GROUPBOX, at.x, at.y, at.width, at.height,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    SetWindowSubclass(window, &group_box_proc, kGroupBoxSubclass, 0);
    backgrounds_[control.id] = resolve(control.colour, control.parent);
    return window;
}

HWND FormControls::create_panel(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    const Background background = resolve(control.colour, control.parent);
    auto state = std::make_unique<PanelState>(background.brush, background.colour, (control.flags & flag::raised) != 0);
    HWND window = create_with_state(std::move(state), WS_EX_CONTROLPARENT, kPanelClass, caption_of(control).c_str(),
                                    child_style(control) | WS_CLIPCHILDREN, at, parent, control.id, instance_);
    if (!window) return nullptr;
    set_font(window, font(control.font));
    backgrounds_[control.id] = background;
    return window;
}

HWND FormControls::create_page_control(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    // Not a tab stop, and a click on a tab leaves the focus where it is: the
    // pages' controls are reached with Tab, the tab strip only with the mouse.
    const DWORD style = child_style(control) | WS_CLIPCHILDREN | TCS_TABS | TCS_SINGLELINE | TCS_FOCUSNEVER;
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"", style, at.x, at.y, at.width, at.height,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
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
    auto state = std::make_unique<PanelState>(background.brush, background.colour, false);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (pages_.empty() ? WS_VISIBLE : 0);
    HWND window = create_with_state(std::move(state), WS_EX_CONTROLPARENT, kPanelClass, caption_of(control).c_str(), style,
                                    {0, 0, 0, 0, 0}, parent, control.id, instance_);
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
    auto state = std::make_unique<ScrollBoxState>((control.flags & flag::smooth) != 0, flat, scale_(8));
    ScrollBoxState* box_state = state.get();
    HWND box = create_with_state(std::move(state), WS_EX_CONTROLPARENT, kScrollBoxClass, L"",
                                 child_style(control) | WS_CLIPCHILDREN | WS_VSCROLL, at, parent, control.id, instance_);
    if (!box) return nullptr;
    if (flat) make_scroll_bar_flat(box);
    auto content_state = std::make_unique<PanelState>(background.brush, background.colour, false);
    const RECT rect = client_rect(box);
    HWND content = create_with_state(std::move(content_state), WS_EX_CONTROLPARENT, kPanelClass, L"",
                                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, {0, 0, rect.right, rect.bottom, 0}, box,
                                     kUnnamedId, instance_);
    if (!content) return nullptr;
    box_state->content = content;
    containers_[control.id] = content;
    backgrounds_[control.id] = background;
    scroll_boxes_.push_back(box);
    return box;
}

HWND FormControls::create_list_view(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", child_style(control) | LVS_REPORT, at.x, at.y, at.width,
                        at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

HWND FormControls::create_list_box(const ControlSpec& control, const ScaledControl& at, HWND parent) {
    HWND window = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"", child_style(control) | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, at.x, at.y, at.width,
        at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
    if (window) set_font(window, font(control.font));
    return window;
}

void FormControls::finish() {
    if (page_control_) {
        RECT display = client_rect(page_control_);
        SendMessageW(page_control_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        for (HWND page : pages_)
            SetWindowPos(page, nullptr, display.left, display.top, display.right - display.left,
                         display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(page_control_, TCM_SETCURSEL, 0, 0);
        show_selected_page();
    }
    for (HWND box : scroll_boxes_)
        if (auto* state = state_of<ScrollBoxState>(box, kScrollBoxClass)) state->update(box);
}

void FormControls::add(std::span<const ControlSpec> controls) {
    const std::size_t known_boxes = scroll_boxes_.size();
    create(controls);
    for (std::size_t i = known_boxes; i < scroll_boxes_.size(); ++i)
        if (auto* state = state_of<ScrollBoxState>(scroll_boxes_[i], kScrollBoxClass)) state->update(scroll_boxes_[i]);
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
