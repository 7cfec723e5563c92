#pragma once

// Reads and ticks the list view of another process. The list-view messages
// that take a structure (LVM_GETITEMW, LVM_GETITEMTEXTW, LVM_SETITEMSTATE,
// LVM_GETITEMRECT, LVM_HITTEST, LVM_GETGROUPINFO) are not marshalled by the
// system: the list view reads and writes the structure at the address it is
// given, in its own address space. So the structure and its text buffer are
// placed in the target process with VirtualAllocEx and copied in and out with
// WriteProcessMemory and ReadProcessMemory. Both processes come from one
// build, both 32-bit or both 64-bit, so the layout is this program's own LVITEMW.
//
// List boxes are different: the system copies the text of LB_GETTEXT across
// processes itself (on Windows and in Wine alike), so list_box_lines needs no
// remote memory.

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx::e2e {

// A block of memory in another process, freed with the object.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool valid() const { return address_ != nullptr; }
    // The block's address in the other process, for a message's LPARAM.
    LPARAM at(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
    bool write(std::size_t offset, const void* data, std::size_t size) const;
    bool read(std::size_t offset, void* data, std::size_t size) const;

private:
    HANDLE process_;
    void* address_ = nullptr;
};

class RemoteListView {
public:
    // What iGroupId holds before LVM_GETITEMW, to tell a list view that
    // writes no group id from one that writes any real one.
    static constexpr int kGroupIdNotWritten = -0x5A5A;

    explicit RemoteListView(HWND list_view);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    // The target process could be opened and the working block allocated.
    bool ready() const;

    int count() const;
    std::wstring text(int item, int column = 0) const;
    // The state image (LVIS_STATEIMAGEMASK): 0 none, 1 the empty check box, 2 the ticked one.
    int state_image(int item) const;
    bool checked(int item) const { return state_image(item) == 2; }
    // The small image of the item, or -1 when it cannot be read.
    int image(int item) const;
    // The item's group id as LVM_GETITEMW with LVIF_GROUPID writes it back, or
    // kGroupIdNotWritten when the list view leaves the field alone; nothing
    // when the message fails.
    std::optional<int> group_id(int item) const;

    // Ticks or unticks an item as its check box does when the user clicks it:
    // LVM_SETITEMSTATE on the state image, so the list view itself notifies
    // its parent with LVN_ITEMCHANGING and LVN_ITEMCHANGED.
    bool set_checked(int item, bool checked) const;
    // A mouse click on the item's check box, found with LVM_HITTEST; false
    // when no point of the item's row hits its check box.
    bool click_check_box(int item) const;

    // Group messages: view on or off, number of groups, and a group's header.
    bool group_view_enabled() const;
    int group_count() const;
    bool has_group(int group_id) const;
    std::optional<std::wstring> group_header(int group_id) const;

private:
    static constexpr std::size_t kTextChars = 1024;
    // One block: the structure, then the text buffer.
    static constexpr std::size_t kTextOffset = 256;

    std::optional<LVITEMW> get_item(int item, UINT mask, int group_seed) const;

    HWND list_view_;
    HANDLE process_ = nullptr;
    std::unique_ptr<RemoteMemory> memory_;
};

// The lines of a list box of any process, top to bottom.
std::vector<std::wstring> list_box_lines(HWND list_box);

} // namespace vx::e2e
