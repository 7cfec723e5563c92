#pragma once

#include <span>
#include <string>
#include <string_view>

#include "services/services.h"

namespace vx {

using RepairRoutine = void (*)(Services&);

// One row of the Advanced page's scroll box: a category header or a repair.
struct AdvancedRow {
    enum class Kind { header, repair };
    Kind kind;
    // The panel of a header (Panel42) or the button of a repair (btnFIXEXPLOREREXE).
    std::wstring_view component;
    // A header's caption as the form gives it ("&&" shows as one ampersand),
    // or a repair's description label.
    std::wstring_view text;
    // "FIX" or "Reset"; empty for a header.
    std::wstring_view button_caption;
    // The panel's height, and the button's distance from the panel's top (0 for a header).
    int height;
    int button_top;
    // What the button runs; null for a header.
    RepairRoutine repair;
};

// The 26 rows of the Advanced page in page order: three headers and 23 repairs.
std::span<const AdvancedRow> advanced_rows();

// The row of a header panel or repair button, or null.
const AdvancedRow* find_advanced_row(std::wstring_view component);

// The name of a repair button's click handler: the button's name + "Click".
std::wstring click_handler_name(const AdvancedRow& row);

} // namespace vx
