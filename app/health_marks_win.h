#pragma once

#include <windows.h>

#include <functional>

#include "services/services.h"

namespace vx {

// The checks behind the "Check" buttons of the File Associations Fixer and
// Advanced pages: each row's mark then says "intact" in green or, in red,
// what differs. An Advanced row whose state cannot be read keeps no mark.
// `find` gives the window of a mark's ID.
void mark_association_rows(Services& services, const std::function<HWND(int)>& find);
void mark_advanced_rows(Services& services, const std::function<HWND(int)>& find);

// After a repair (or an undo): the row's mark, if it shows one, is checked
// again, so that no mark tells of the state before.
struct AssociationEntry;
struct AdvancedRow;
void refresh_association_mark(Services& services, const AssociationEntry& entry,
                              const std::function<HWND(int)>& find);
void refresh_advanced_mark(Services& services, const AdvancedRow& row, const std::function<HWND(int)>& find);

} // namespace vx
