#include "app/picture_box_win.h"

#include <memory>
#include <utility>

#include "app/control_window_win.h"
#include "app/controls_win.h"

namespace vx {

namespace controls {

namespace {

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

} // namespace

HWND create_picture_window(std::shared_ptr<const Bitmap> bitmap, std::shared_ptr<const Icon> icon, bool centred,
                           DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    return create_with_state(std::make_unique<PictureState>(std::move(bitmap), std::move(icon), centred), 0,
                             kPictureClass, L"", style, at, parent, id, instance);
}

} // namespace controls

void paint_beneath(HWND window, HDC dc) {
    HWND parent = GetParent(window);
    if (!parent) return;
    const RECT self = controls::rect_in_parent(window);
    POINT origin;
    OffsetViewportOrgEx(dc, -self.left, -self.top, &origin);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    // The pictures below this window among its siblings, lowest first.
    for (HWND sibling = GetWindow(window, GW_HWNDLAST); sibling && sibling != window;
         sibling = GetWindow(sibling, GW_HWNDPREV)) {
        if (!IsWindowVisible(sibling)) continue;
        auto* picture = controls::state_of<controls::PictureState>(sibling, kPictureClass);
        if (!picture) continue;
        const RECT other = controls::rect_in_parent(sibling);
        RECT overlap;
        if (!IntersectRect(&overlap, &self, &other)) continue;
        OffsetViewportOrgEx(dc, other.left - self.left, other.top - self.top, &origin);
        picture->paint_own(sibling, dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    }
}

} // namespace vx
