#pragma once

// The fixed form descriptions of the main and About windows, as data: one
// table per form or page, each row a control with its parent, place and size
// at 96 DPI, caption, font, colour and flags. The Win32 side creates the
// controls from these tables after scaling each row once with `scale_control`.

#include <span>
#include <string_view>
#include <vector>

#include "app/dpi.h"

namespace vx {

enum class ControlKind {
    label,        // text without a background of its own
    picture,      // a PNG resource: caption is its resource name
    file_icon,    // a file type's icon: caption is its icon location ("<file>,<index>")
    button,       // push button
    speed_button, // flat picture button, caption is its glyph's resource name
    check_box,
    group_box,    // framed container with a caption
    panel,        // plain container; a raised one shows its caption centred
    page_control, // the tab strip holding the pages
    page,         // one page of the page control; caption is the tab's text
    scroll_box,   // container that scrolls its rows vertically
    list_view,
    list_box,
};

// Colours by role; the Win32 side maps them to the system colours.
enum class Colour {
    inherit,     // the parent's background, or the window-text colour for text
    button_face, // the page colour
    white,
    shadow,         // the button-shadow colour
    highlight,      // the selection colour
    menu_highlight, // the flat-menu selection colour
    hot_light,      // the colour of hyperlinks
};

// Tahoma at a height in pixels at 96 DPI (negative: character height, as
// LOGFONT takes it); 0 takes the form's default font.
struct FontSpec {
    int height = 0;
    bool bold = false;
};

namespace flag {
inline constexpr unsigned tab_stop = 1u << 0;
inline constexpr unsigned hidden = 1u << 1;
inline constexpr unsigned word_wrap = 1u << 2;
// A link label: hand cursor, click and hover handlers.
inline constexpr unsigned link = 1u << 3;
// A raised panel (category header): bevel, caption centred.
inline constexpr unsigned raised = 1u << 4;
// A picture drawn at its own size (scaled only by the DPI) from the top-left
// corner and clipped; otherwise it is scaled to fit its control.
inline constexpr unsigned unscaled = 1u << 5;
// The default push button of its window (Enter presses it).
inline constexpr unsigned default_button = 1u << 6;
// A scroll box: the line step adapts to the page size.
inline constexpr unsigned smooth = 1u << 7;
// A scroll box: flat scroll bar where the common controls draw one.
inline constexpr unsigned flat_scroll_bar = 1u << 8;
// A one-line label that keeps its size and ends text too long for it with
// an ellipsis (the whole text stays the window's text).
inline constexpr unsigned ellipsis = 1u << 9;
} // namespace flag

inline constexpr int kFormParent = 0;

struct ControlSpec {
    int id; // the component's ID (app/components.h), a row's ID, or kUnnamedId
    ControlKind kind;
    int parent; // the parent component's ID, or kFormParent
    // At 96 DPI, relative to the parent. A one-line label is at least this size
    // and grows to fit its text; a word-wrapped label keeps it.
    int x, y, width, height;
    std::wstring_view caption;
    FontSpec font;
    Colour colour; // text colour for labels, background for containers
    unsigned flags;
};

// A control's place, size and font height at the screen's DPI.
struct ScaledControl {
    int x, y, width, height;
    int font_height; // 0: the form's default font
};
ScaledControl scale_control(const ControlSpec& control, const DpiScale& scale);

// Forms.
struct FormSpec {
    int client_width, client_height;
    FontSpec font; // the default font of every control
    Colour colour;
};
inline constexpr FontSpec kDefaultFont{-11, false};
inline constexpr FontSpec kHeaderFont{-19, false};
inline constexpr FontSpec kValueFont{-13, false};
inline constexpr FontSpec kBoldValueFont{-13, true};

inline constexpr FormSpec kMainForm{641, 548, kDefaultFont, Colour::button_face};
inline constexpr FormSpec kAboutForm{358, 153, kDefaultFont, Colour::white};

// The tab strip's tab height at 96 DPI.
inline constexpr int kTabHeight = 30;

// The main window's tables, in creation order. Creation order is also the
// order from the top: a control listed earlier lies above the later ones
// that it overlaps (the header labels and the logo above the band) and comes
// earlier in the tab order.
std::span<const ControlSpec> header_layout();
std::span<const ControlSpec> pages_layout(); // the page control and its four pages, in tab order
std::span<const ControlSpec> home_page_layout();
std::span<const ControlSpec> file_associations_page_layout(); // without the rows
std::span<const ControlSpec> restriction_page_layout();
std::span<const ControlSpec> advanced_page_layout(); // without the rows
std::span<const ControlSpec> about_layout();

// The rows of the two scroll boxes, made from their catalogues: each row's
// panel and, after it, the panel's controls.
std::vector<ControlSpec> association_rows_layout();
std::vector<ControlSpec> advanced_rows_layout();

// Every table of the main window in creation order.
std::vector<ControlSpec> main_window_layout();
// The same in two parts: what the window shows when it opens (the header
// band, the page control with its pages and the Home page), and the other
// pages' controls, which are made once the window has been painted.
std::vector<ControlSpec> main_window_opening_layout();
std::vector<ControlSpec> main_window_later_layout();
// The later part page by page, in creation order: each hidden page with its
// rows, made one at a time.
std::vector<std::vector<ControlSpec>> main_window_later_pages();

} // namespace vx
