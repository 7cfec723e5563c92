#pragma once

#include "services/file_system.h"

namespace vx {

class Win32FileSystem : public FileSystem {
public:
    bool file_exists(const std::wstring& path) override;
    bool directory_exists(const std::wstring& path) override;
    bool delete_file(const std::wstring& path) override;
    void write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    void write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    void delete_tree(const std::wstring& path) override;
};

class Win32Folders : public Folders {
public:
    std::wstring windows_folder() override;
    std::wstring system_folder() override;
    std::wstring temp_folder() override;
    std::wstring system_drive() override;
};

// Converts text to the system ANSI code page.
std::string to_ansi(const std::wstring& text);

} // namespace vx
