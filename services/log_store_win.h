#pragma once

#include <string>

#include "services/action_log.h"

namespace vx {

inline constexpr wchar_t kLogFileName[] = L"Vantrix.log";
inline constexpr wchar_t kPreviousLogFileName[] = L"Vantrix.previous.log";

// The log files in the program's private folder under ProgramData. The folder
// is made, or checked, on the first write and not before, so start-up does no
// file work; when it is not private, nothing is written.
class Win32LogStore : public LogStore {
public:
    // The folder the log lives in, such as "C:\ProgramData\Vantrix".
    explicit Win32LogStore(std::wstring folder) : folder_(std::move(folder)) {}

    std::uint64_t size() override;
    void append(const std::string& bytes) override;
    void roll() override;

    std::wstring file_path() const { return folder_ + L"\\" + kLogFileName; }
    std::wstring previous_path() const { return folder_ + L"\\" + kPreviousLogFileName; }

private:
    // Raises an error naming the folder when it is not private.
    void check_folder();

    std::wstring folder_;
    bool checked_ = false;
    std::wstring problem_;
};

// The program's private folder under ProgramData ("...\Vantrix").
std::wstring program_folder();

} // namespace vx
