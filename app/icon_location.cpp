#include "app/icon_location.h"

#include "services/text.h"

namespace vx {

namespace {

// The index after the last comma, when that text is a whole number.
bool parse_index(std::wstring_view text, int& index) {
    std::wstring trimmed = trim(text);
    std::wstring_view digits = trimmed;
    bool negative = false;
    if (!digits.empty() && (digits.front() == L'-' || digits.front() == L'+')) {
        negative = digits.front() == L'-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 9) return false;
    int value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    index = negative ? -value : value;
    return true;
}

} // namespace

IconLocation parse_icon_location(std::wstring_view location) {
    IconLocation result;
    std::wstring text = trim(location);
    std::wstring_view rest = text;
    if (!rest.empty() && rest.front() == L'"') {
        // A quoted file may itself hold commas; the index follows the closing quote.
        const auto close = rest.find(L'"', 1);
        if (close == std::wstring_view::npos) {
            result.file = std::wstring(rest.substr(1));
            return result;
        }
        result.file = std::wstring(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
        const auto comma = rest.find(L',');
        if (comma != std::wstring_view::npos) parse_index(rest.substr(comma + 1), result.index);
        return result;
    }
    const auto comma = rest.rfind(L',');
    int index = 0;
    if (comma != std::wstring_view::npos && parse_index(rest.substr(comma + 1), index)) {
        result.file = trim(rest.substr(0, comma));
        result.index = index;
    } else {
        result.file = std::wstring(rest);
    }
    return result;
}

} // namespace vx
