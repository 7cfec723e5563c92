#pragma once

#include "services/file_system.h"

namespace vx {

class Win32FileSystem : public FileSystem {
public:
    bool file_exists(const std::wstring& path) override;
    bool directory_exists(const std::wstring& path) override;
    bool delete_file(const std::wstring& path) override;
    std::optional<std::string> read_file(const std::wstring& path) override;
    void write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    void write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    std::unique_ptr<StagedFile> stage_text_file(const std::wstring& path,
                                                const std::vector<std::wstring>& lines) override;
    std::unique_ptr<StagedFile> stage_binary_file(const std::wstring& path,
                                                  const std::vector<std::uint8_t>& bytes) override;
    void delete_tree(const std::wstring& path) override;
};

class Win32Folders : public Folders {
public:
    std::wstring windows_folder() override;
    std::wstring system_folder() override;
    std::wstring temp_folder() override;
    std::wstring system_drive() override;
};

// The security descriptor a staged file is created with, in SDDL: only
// Administrators and SYSTEM may open it, and nothing is inherited from TEMP.
inline constexpr wchar_t kStagedFileSecurity[] = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)";

// Converts text to the system ANSI code page.
std::string to_ansi(const std::wstring& text);

} // namespace vx
