#include "tests/e2e/remote_list_view.h"

namespace vx::e2e {

// The target is built like this driver, for the same processor, so the
// remote structures have this program's own layout; a program of the other
// build would read every one of them wrong.
static_assert(sizeof(LVITEMW) == (sizeof(void*) == 8 ? 88 : 60), "LVITEMW with the group fields");

namespace {

constexpr std::size_t kBlockSize = 4096;

} // namespace

RemoteMemory::RemoteMemory(HANDLE process, std::size_t size) : process_(process) {
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::write(std::size_t offset, const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

bool RemoteMemory::read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

RemoteListView::RemoteListView(HWND list_view) : list_view_(list_view) {
    DWORD process_id = 0;
    if (list_view_) GetWindowThreadProcessId(list_view_, &process_id);
    if (process_id)
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, process_id);
    if (process_) memory_ = std::make_unique<RemoteMemory>(process_, kBlockSize);
}

RemoteListView::~RemoteListView() {
    memory_.reset();
    if (process_) CloseHandle(process_);
}

bool RemoteListView::ready() const {
    return memory_ && memory_->valid();
}

int RemoteListView::count() const {
    return static_cast<int>(SendMessageW(list_view_, LVM_GETITEMCOUNT, 0, 0));
}

std::optional<LVITEMW> RemoteListView::get_item(int item, UINT mask, int group_seed) const {
    if (!ready()) return std::nullopt;
    LVITEMW row{};
    row.mask = mask;
    row.iItem = item;
    row.iImage = -1;
    row.iGroupId = group_seed;
    if (!memory_->write(0, &row, sizeof(row))) return std::nullopt;
    if (!SendMessageW(list_view_, LVM_GETITEMW, 0, memory_->at())) return std::nullopt;
    if (!memory_->read(0, &row, sizeof(row))) return std::nullopt;
    return row;
}

std::wstring RemoteListView::text(int item, int column) const {
    if (!ready()) return {};
    LVITEMW row{};
    row.iSubItem = column;
    row.pszText = reinterpret_cast<LPWSTR>(memory_->at(kTextOffset));
    row.cchTextMax = static_cast<int>(kTextChars);
    const wchar_t nothing = 0;
    if (!memory_->write(0, &row, sizeof(row)) || !memory_->write(kTextOffset, &nothing, sizeof(nothing))) return {};
    const auto length = SendMessageW(list_view_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), memory_->at());
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    if (!memory_->read(kTextOffset, text.data(), text.size() * sizeof(wchar_t))) return {};
    return text;
}

int RemoteListView::state_image(int item) const {
    // LVM_GETITEMSTATE carries no pointer and needs no remote memory.
    const auto state = SendMessageW(list_view_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
    return static_cast<int>((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12);
}

int RemoteListView::image(int item) const {
    const auto row = get_item(item, LVIF_IMAGE, 0);
    return row ? row->iImage : -1;
}

std::optional<int> RemoteListView::group_id(int item) const {
    const auto row = get_item(item, LVIF_GROUPID, kGroupIdNotWritten);
    if (!row) return std::nullopt;
    return row->iGroupId;
}

bool RemoteListView::set_checked(int item, bool checked) const {
    if (!ready()) return false;
    LVITEMW row{};
    row.stateMask = LVIS_STATEIMAGEMASK;
    row.state = INDEXTOSTATEIMAGEMASK(checked ? 2u : 1u);
    if (!memory_->write(0, &row, sizeof(row))) return false;
    return SendMessageW(list_view_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), memory_->at()) != 0;
}

bool RemoteListView::click_check_box(int item) const {
    if (!ready()) return false;
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (!memory_->write(0, &bounds, sizeof(bounds)) ||
        !SendMessageW(list_view_, LVM_GETITEMRECT, static_cast<WPARAM>(item), memory_->at()) ||
        !memory_->read(0, &bounds, sizeof(bounds)))
        return false;
    // The check box sits at the row's left end; walk along the row's middle
    // until the list view itself says the point is on it.
    const int y = (bounds.top + bounds.bottom) / 2;
    for (int x = bounds.left; x < bounds.left + 64 && x < bounds.right; ++x) {
        LVHITTESTINFO hit{};
        hit.pt = {x, y};
        if (!memory_->write(0, &hit, sizeof(hit))) return false;
        const auto found = SendMessageW(list_view_, LVM_HITTEST, 0, memory_->at());
        if (!memory_->read(0, &hit, sizeof(hit))) return false;
        if (found != item || !(hit.flags & LVHT_ONITEMSTATEICON)) continue;
        PostMessageW(list_view_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageW(list_view_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        return true;
    }
    return false;
}

bool RemoteListView::group_view_enabled() const {
    return SendMessageW(list_view_, LVM_ISGROUPVIEWENABLED, 0, 0) != 0;
}

int RemoteListView::group_count() const {
    return static_cast<int>(SendMessageW(list_view_, LVM_GETGROUPCOUNT, 0, 0));
}

bool RemoteListView::has_group(int group_id) const {
    return SendMessageW(list_view_, LVM_HASGROUP, static_cast<WPARAM>(group_id), 0) != 0;
}

std::optional<std::wstring> RemoteListView::group_header(int group_id) const {
    if (!ready()) return std::nullopt;
    LVGROUP group{};
    group.cbSize = sizeof(group);
    group.mask = LVGF_HEADER | LVGF_GROUPID;
    group.pszHeader = reinterpret_cast<LPWSTR>(memory_->at(kTextOffset));
    group.cchHeader = static_cast<int>(kTextChars);
    const wchar_t nothing = 0;
    if (!memory_->write(0, &group, sizeof(group)) || !memory_->write(kTextOffset, &nothing, sizeof(nothing)))
        return std::nullopt;
    if (SendMessageW(list_view_, LVM_GETGROUPINFO, static_cast<WPARAM>(group_id), memory_->at()) != group_id)
        return std::nullopt;
    std::wstring header(kTextChars, L'\0');
    if (!memory_->read(kTextOffset, header.data(), header.size() * sizeof(wchar_t))) return std::nullopt;
    header.resize(header.find(L'\0'));
    return header;
}

std::vector<std::wstring> list_box_lines(HWND list_box) {
    std::vector<std::wstring> lines;
    const auto count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(list_box, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        const auto copied =
            SendMessageW(list_box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
        lines.push_back(line);
    }
    return lines;
}

} // namespace vx::e2e
