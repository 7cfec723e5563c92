#pragma once

#include <functional>
#include <string>

#include "services/action_log.h"

namespace vx {

inline constexpr wchar_t kLogFileName[] = L"Vantrix.log";
inline constexpr wchar_t kPreviousLogFileName[] = L"Vantrix.previous.log";

// A folder's name, given or found when first asked for: finding ProgramData
// loads the shell, which start-up can do without.
class LaterFolder {
public:
    LaterFolder(std::wstring folder) : folder_(std::move(folder)), known_(true) {}
    explicit LaterFolder(std::function<std::wstring()> find) : find_(std::move(find)) {}
    const std::wstring& get() const {
        if (!known_) {
            folder_ = find_ ? find_() : std::wstring();
            known_ = true;
        }
        return folder_;
    }

private:
    std::function<std::wstring()> find_;
    mutable std::wstring folder_;
    mutable bool known_ = false;
};

// Makes or checks the log's private folder, which users may read.
std::wstring make_log_folder(const std::wstring& folder);

// The log files in the program's private folder under ProgramData. The folder
// is made, or checked, on the first write and not before, so start-up does no
// file work; when it is not private, nothing is written.
class Win32LogStore : public LogStore {
public:
    // The folder the log lives in, such as "C:\ProgramData\Vantrix".
    // `make_folder` makes or checks the folder and answers what is wrong with
    // it; tests of the file handling alone pass their own.
    explicit Win32LogStore(LaterFolder folder,
                           std::function<std::wstring(const std::wstring&)> make_folder = make_log_folder)
        : folder_(std::move(folder)), make_folder_(std::move(make_folder)) {}

    std::uint64_t size() override;
    void append(const std::string& bytes) override;
    void roll() override;

    std::wstring file_path() const { return folder_.get() + L"\\" + kLogFileName; }
    std::wstring previous_path() const { return folder_.get() + L"\\" + kPreviousLogFileName; }

private:
    // Raises an error naming the folder when it is not private.
    void check_folder();

    LaterFolder folder_;
    std::function<std::wstring(const std::wstring&)> make_folder_;
    bool checked_ = false;
    std::wstring problem_;
};

// The program's private folder under ProgramData ("...\Vantrix").
std::wstring program_folder();

} // namespace vx
