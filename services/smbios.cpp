#include "services/smbios.h"

namespace vx {

namespace {

constexpr std::size_t kRawHeader = 8; // calling method, version, DMI revision, table length
constexpr std::uint8_t kBaseBoardType = 2;
constexpr std::uint8_t kEndOfTable = 127;

} // namespace

std::optional<BaseBoard> smbios_base_board(const std::vector<std::uint8_t>& raw) {
    if (raw.size() < kRawHeader) return std::nullopt;
    std::size_t length = 0;
    for (std::size_t i = 8; i-- > 4;) length = (length << 8) | raw[i];
    const std::size_t end = length < raw.size() - kRawHeader ? kRawHeader + length : raw.size();
    std::optional<BaseBoard> found;
    for (std::size_t at = kRawHeader; at + 4 <= end;) {
        const std::uint8_t type = raw[at];
        const std::size_t formatted = raw[at + 1];
        if (formatted < 4 || at + formatted > end) break;
        // The strings follow the formatted area, each ended by a zero, the
        // set ended by one more zero; a structure without strings has two zeros.
        std::vector<std::wstring> strings;
        std::size_t p = at + formatted;
        if (p + 1 < end && raw[p] == 0 && raw[p + 1] == 0) {
            p += 2;
        } else {
            bool closed = false;
            std::wstring current;
            while (p < end && !closed) {
                const std::uint8_t c = raw[p++];
                if (c != 0) {
                    current += static_cast<wchar_t>(c);
                    continue;
                }
                strings.push_back(std::move(current));
                current.clear();
                if (p < end && raw[p] == 0) {
                    ++p;
                    closed = true;
                }
            }
            if (!closed) break;
        }
        if (type == kBaseBoardType && formatted >= 6) {
            const auto text = [&](std::uint8_t index) {
                return index >= 1 && index <= strings.size() ? strings[index - 1u] : std::wstring();
            };
            found = BaseBoard{text(raw[at + 4]), text(raw[at + 5])};
        }
        if (type == kEndOfTable) break;
        at = p;
    }
    return found;
}

} // namespace vx
