#pragma once

#include <windows.h>

#include <commctrl.h>

#include "fixers/restrict/restriction_model.h"
#include "services/handles_win.h"
#include "services/services.h"

namespace vx {

struct ImageListTraits {
    static HIMAGELIST invalid() { return nullptr; }
    static void close(HIMAGELIST h) { ImageList_Destroy(h); }
};
using UniqueImageList = UniqueResource<HIMAGELIST, ImageListTraits>;

// The Restriction Fixer page on screen: mirrors the page model into the list
// view lvRESTRICT and the hidden list box lbRESTRICT, and turns the user's
// ticks into the model's check changes. It sets the list view up itself
// (report style with check boxes, grid lines, whole-row selection, the two
// fixed-width columns, the two groups and the image list imglistRESTRICT).
//
// The main window creates both controls and keeps this object for as long as
// they live. It calls the handlers below from its own, and passes every
// WM_NOTIFY to on_notify, returning TRUE from its window procedure when
// on_notify answers true.
class RestrictionFixerView : private RestrictionView {
public:
    RestrictionFixerView(Services& services, HWND list_view, HWND list_box);
    ~RestrictionFixerView() override;
    RestrictionFixerView(const RestrictionFixerView&) = delete;
    RestrictionFixerView& operator=(const RestrictionFixerView&) = delete;

    void btnSCANRESTRICTClick() { model_.scan(); }
    // The tick of `item` changed to `checked` (on_notify calls it for the user's clicks).
    void lvRESTRICTItemChecked(int item, bool checked);
    // `checked`: the state of "Check All" after the click.
    void cbCHECKALLRESTRICTClick(bool checked) { model_.check_all(checked); }
    void btnFIXRESTRICTClick() { model_.remove_selected(); }
    // The page has no context menu.
    void tsRESTRICTFIXContextPopup() {}

    // Handles the notifications of the list view and of its header; ignores
    // any other. True means the window procedure must answer TRUE (a refused
    // column resize or label edit).
    bool on_notify(const NMHDR* header);

    const RestrictionModel& model() const { return model_; }
    void set_backup(RestrictionModel::BackUp back_up) { model_.set_backup(std::move(back_up)); }

private:
    // RestrictionView
    void items_cleared() override;
    void item_added(const FoundItem& item) override;
    void image_changed(std::size_t index, int image) override;
    void check_changed(std::size_t index, bool checked) override;
    void selection_cleared() override;
    void selection_appended(const std::wstring& caption) override;
    void selection_removed(std::size_t position) override;

    void set_up_list_view();
    void set_up_columns();
    void set_up_groups();
    void set_up_images();
    bool refuses_header_change(const NMHDR* header) const;
    static LRESULT CALLBACK list_view_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                           DWORD_PTR self);

    HWND list_view_;
    HWND list_box_;
    RestrictionModel model_;
    UniqueImageList images_;
    int column_widths_[2] = {};
    // Above zero while this view changes the list view, whose own change
    // notifications must then not reach the model a second time.
    int mirroring_ = 0;
};

} // namespace vx
