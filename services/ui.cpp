#include "services/ui.h"

namespace vx {

namespace {

// Whether a character sorts after the full stop in the Unicode collation
// order. There the full stop comes after the blanks, the control characters
// and the punctuation _ - , ; : ! ? and before everything else: quotation
// marks, brackets, other symbols, digits and letters.
bool sorts_after_full_stop(wchar_t c) {
    if (c <= L' ' || (c >= 0x7F && c <= 0xA0)) return false;
    switch (c) {
    case L'_':
    case L'-':
    case L',':
    case L';':
    case L':':
    case L'!':
    case L'?':
    case L'.':
        return false;
    default:
        return true;
    }
}

} // namespace

std::wstring standard_error_text(std::wstring text) {
    if (!text.empty() && sorts_after_full_stop(text.back())) text += L'.';
    return text;
}

void Ui::show_error(const std::wstring& text) {
    message_box(standard_error_text(text), kAppTitle, mb::ok | mb::icon_error);
}

} // namespace vx
