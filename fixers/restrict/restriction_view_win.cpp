#include "fixers/restrict/restriction_view_win.h"

#include <cstring>

#include "fixers/restrict/restriction_images.h"

namespace vx {

namespace {

constexpr UINT_PTR kSubclassId = 0x52535452; // any number unique to this subclass
constexpr int kCaptionColumnWidth = 150;
constexpr int kInfoColumnWidth = 400;
constexpr UINT kUnchecked = 1; // state images of a list view with check boxes
constexpr UINT kChecked = 2;

class Mirroring {
public:
    explicit Mirroring(int& depth) : depth_(depth) { ++depth_; }
    ~Mirroring() { --depth_; }
    Mirroring(const Mirroring&) = delete;
    Mirroring& operator=(const Mirroring&) = delete;

private:
    int& depth_;
};

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

UINT state_image(UINT state) {
    return (state & LVIS_STATEIMAGEMASK) >> 12;
}

UniqueGdiObject make_bitmap(const RestrictionImage& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kRestrictionImageSize;
    info.bmiHeader.biHeight = -kRestrictionImageSize; // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    // Each pixel is 0xAARRGGBB, which a 32-bit DIB stores as B, G, R, A.
    if (bitmap && bits) std::memcpy(bits, pixels.data(), pixels.size() * sizeof(pixels[0]));
    return bitmap;
}

} // namespace

RestrictionFixerView::RestrictionFixerView(Services& services, HWND list_view, HWND list_box)
    : list_view_(list_view), list_box_(list_box), model_(services.registry, services.ui, this) {
    set_up_list_view();
    SetWindowSubclass(list_view_, &RestrictionFixerView::list_view_proc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

RestrictionFixerView::~RestrictionFixerView() {
    if (IsWindow(list_view_)) {
        RemoveWindowSubclass(list_view_, &RestrictionFixerView::list_view_proc, kSubclassId);
        // The list view shares the image list and must not draw from it once it is gone.
        SendMessageW(list_view_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    }
}

void RestrictionFixerView::set_up_list_view() {
    Mirroring mirroring(mirroring_);
    // Report style, read-only captions, headers that do not sort, and an image
    // list this object owns.
    auto style = GetWindowLongPtrW(list_view_, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SORTDESCENDING);
    style |= LVS_REPORT | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS;
    SetWindowLongPtrW(list_view_, GWL_STYLE, style);
    constexpr DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageW(list_view_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);

    SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
    set_up_columns();
    set_up_groups();
    set_up_images();
    SendMessageW(list_box_, LB_RESETCONTENT, 0, 0);
}

void RestrictionFixerView::set_up_columns() {
    const int dpi = screen_dpi();
    column_widths_[0] = MulDiv(kCaptionColumnWidth, dpi, 96);
    column_widths_[1] = MulDiv(kInfoColumnWidth, dpi, 96);
    while (SendMessageW(list_view_, LVM_DELETECOLUMN, 0, 0)) {
    }
    const wchar_t* titles[] = {L"Restriction Item(s)", L"Info"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        // The fixed-width format keeps Windows from offering the divider at
        // all; the header notifications are refused as well (see below).
        column.fmt = LVCFMT_LEFT | LVCFMT_FIXED_WIDTH;
        column.cx = column_widths_[i];
        column.pszText = const_cast<wchar_t*>(titles[i]);
        column.iSubItem = i;
        SendMessageW(list_view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void RestrictionFixerView::set_up_groups() {
    // Wine 8 does not implement list-view groups: these calls answer 0 there
    // and the items show as one flat list. Windows shows the two headings.
    SendMessageW(list_view_, LVM_REMOVEALLGROUPS, 0, 0);
    SendMessageW(list_view_, LVM_ENABLEGROUPVIEW, TRUE, 0);
    for (int id : {kGroupDesktopExplorer, kGroupSystemSecurity}) {
        std::wstring header(kRestrictionGroupHeaders[static_cast<std::size_t>(id)]);
        LVGROUP group{};
        group.cbSize = sizeof(group);
        group.mask = LVGF_HEADER | LVGF_GROUPID | LVGF_ALIGN;
        group.pszHeader = header.data();
        group.iGroupId = id;
        group.uAlign = LVGA_HEADER_LEFT;
        SendMessageW(list_view_, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&group));
    }
}

void RestrictionFixerView::set_up_images() {
    // imglistRESTRICT: image 0 the cross, image 1 the tick.
    images_.reset(ImageList_Create(kRestrictionImageSize, kRestrictionImageSize, ILC_COLOR32, 2, 0));
    if (!images_) return;
    for (const auto& pixels : {cross_image(), tick_image()}) {
        auto bitmap = make_bitmap(pixels);
        ImageList_Add(images_.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
    }
    SendMessageW(list_view_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));
}

void RestrictionFixerView::lvRESTRICTItemChecked(int item, bool checked) {
    if (item >= 0) model_.item_checked(static_cast<std::size_t>(item), checked);
}

bool RestrictionFixerView::refuses_header_change(const NMHDR* header) const {
    switch (header->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
        return true;
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA: {
        // Any other width change, such as Ctrl+Plus sizing every column to
        // its contents. The A and W forms agree on the fields read here.
        const auto* change = reinterpret_cast<const NMHEADERW*>(header);
        if (!change->pitem || !(change->pitem->mask & HDI_WIDTH)) return false;
        if (change->iItem < 0 || change->iItem >= 2) return false;
        return change->pitem->cxy != column_widths_[change->iItem];
    }
    default:
        return false;
    }
}

bool RestrictionFixerView::on_notify(const NMHDR* header) {
    if (!header) return false;
    if (header->hwndFrom == reinterpret_cast<HWND>(SendMessageW(list_view_, LVM_GETHEADER, 0, 0)))
        return refuses_header_change(header);
    if (header->hwndFrom != list_view_) return false;
    switch (header->code) {
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (mirroring_ > 0 || change->iItem < 0 || !(change->uChanged & LVIF_STATE)) return false;
        const UINT before = state_image(change->uOldState);
        const UINT after = state_image(change->uNewState);
        // An item that is just getting its check box (state image 0 before)
        // has not been ticked or unticked by anyone.
        if (before == after || before == 0 || after == 0) return false;
        lvRESTRICTItemChecked(change->iItem, after == kChecked);
        return false;
    }
    case LVN_BEGINLABELEDITW:
    case LVN_BEGINLABELEDITA:
        return true; // captions are read-only
    default:
        // LVN_COLUMNCLICK included: the list keeps catalogue order.
        return false;
    }
}

LRESULT CALLBACK RestrictionFixerView::list_view_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                      UINT_PTR id, DWORD_PTR self) {
    // The header reports to the list view. Windows passes these reports on to
    // the page, but Wine 8's list view sizes a column on a divider
    // double-click by itself and keeps a begun drag to itself, so the fixed
    // widths are defended here, before the list view sees them.
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        auto* view = reinterpret_cast<RestrictionFixerView*>(self);
        if (header && header->hwndFrom == reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0)) &&
            view->refuses_header_change(header))
            return TRUE;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &RestrictionFixerView::list_view_proc, id);
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

void RestrictionFixerView::items_cleared() {
    Mirroring mirroring(mirroring_);
    SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
}

void RestrictionFixerView::item_added(const FoundItem& item) {
    Mirroring mirroring(mirroring_);
    std::wstring caption = item.caption;
    std::wstring description = item.description;
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_GROUPID;
    row.iItem = static_cast<int>(SendMessageW(list_view_, LVM_GETITEMCOUNT, 0, 0));
    row.pszText = caption.data();
    row.iImage = item.image;
    row.iGroupId = item.group;
    const auto index = SendMessageW(list_view_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    if (index < 0) return;
    LVITEMW info{};
    info.iSubItem = 1;
    info.pszText = description.data();
    SendMessageW(list_view_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
    if (item.checked) check_changed(static_cast<std::size_t>(index), true);
}

void RestrictionFixerView::image_changed(std::size_t index, int image) {
    Mirroring mirroring(mirroring_);
    LVITEMW row{};
    row.mask = LVIF_IMAGE;
    row.iItem = static_cast<int>(index);
    row.iImage = image;
    SendMessageW(list_view_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&row));
}

void RestrictionFixerView::check_changed(std::size_t index, bool checked) {
    Mirroring mirroring(mirroring_);
    LVITEMW row{};
    row.stateMask = LVIS_STATEIMAGEMASK;
    row.state = INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked);
    SendMessageW(list_view_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&row));
}

void RestrictionFixerView::selection_cleared() {
    SendMessageW(list_box_, LB_RESETCONTENT, 0, 0);
}

void RestrictionFixerView::selection_appended(const std::wstring& caption) {
    // Inserting at -1 appends even if the list box were sorted.
    SendMessageW(list_box_, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(caption.c_str()));
}

void RestrictionFixerView::selection_removed(std::size_t position) {
    SendMessageW(list_box_, LB_DELETESTRING, position, 0);
}

} // namespace vx
