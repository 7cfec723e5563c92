#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vx {

// Predefined window classes as dialog templates name them.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kListBoxClass = 0x0083;

// Builds an in-memory dialog template: DLGTEMPLATE, then each DLGITEMTEMPLATE
// on a DWORD boundary, texts as zero-ended UTF-16.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title, WORD point_size,
                   const wchar_t* typeface) {
        add_dword(style);
        add_dword(0); // extended style
        count_at_ = words_.size();
        add_word(0); // number of items, filled in as they are added
        add_short(0);
        add_short(0);
        add_short(cx);
        add_short(cy);
        add_word(0); // no menu
        add_word(0); // the standard dialog class
        add_text(title);
        add_word(point_size);
        add_text(typeface);
    }

    void add_item(DWORD style, short x, short y, short cx, short cy, int id, WORD window_class,
                  const std::wstring& text, DWORD ex_style = 0) {
        align();
        add_dword(style | WS_CHILD | WS_VISIBLE);
        add_dword(ex_style);
        add_short(x);
        add_short(y);
        add_short(cx);
        add_short(cy);
        add_word(static_cast<WORD>(id));
        add_word(0xFFFF);
        add_word(window_class);
        add_text(text);
        add_word(0); // no creation data
        ++words_[count_at_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void add_word(WORD w) { words_.push_back(w); }
    void add_short(short s) { words_.push_back(static_cast<WORD>(s)); }
    void add_dword(DWORD d) {
        add_word(LOWORD(d));
        add_word(HIWORD(d));
    }
    void add_text(const std::wstring& text) {
        for (wchar_t c : text)
            add_word(static_cast<WORD>(c));
        add_word(0);
    }
    // The vector's storage is suitably aligned, so an even word count is a DWORD boundary.
    void align() {
        if (words_.size() % 2 != 0) add_word(0);
    }

    std::vector<WORD> words_;
    std::size_t count_at_ = 0;
};

// Centres a box on its owner, kept inside the work area of the owner's monitor.
void centre_on_owner(HWND box, HWND owner);

std::wstring window_text(HWND window);

} // namespace vx
