#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx {

// A file handed to another program (a registry script, a batch, a program to
// run). While it lives, the file is held open so that other programs can read
// it but not change, rename or delete it; when it goes, the file is deleted.
class StagedFile {
public:
    virtual ~StagedFile() = default;
};

// The file operations of the repairs. Text files hold their lines each ended
// by CR LF, in the ANSI code page, without a byte-order mark.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool file_exists(const std::wstring& path) = 0;
    virtual bool directory_exists(const std::wstring& path) = 0;
    // Answers whether the file was deleted.
    virtual bool delete_file(const std::wstring& path) = 0;
    // The file's bytes as they are on disk; nullopt when it is missing or
    // cannot be read.
    virtual std::optional<std::string> read_file(const std::wstring& path) = 0;

    // Creates the file anew; raises "Cannot create file "<path>". <reason>".
    virtual void write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) = 0;
    virtual void write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;

    // Creates the file anew for another program to read, and holds it until
    // the answer is released. A file or link already of that name is removed
    // first without following it. Raises "Cannot create file "<path>".
    // <reason>" when the old one cannot be removed, the new one cannot be
    // written, or the file opened is not the one written at that path (a
    // link, a folder that leads elsewhere, a swap): nothing is staged then.
    virtual std::unique_ptr<StagedFile> stage_text_file(const std::wstring& path,
                                                        const std::vector<std::wstring>& lines) = 0;
    virtual std::unique_ptr<StagedFile> stage_binary_file(const std::wstring& path,
                                                          const std::vector<std::uint8_t>& bytes) = 0;

    // Replaces the file in one step: the text goes to a new file in the same
    // folder, which then takes the old file's place. On any failure the old
    // file stays as it was and an error is raised.
    virtual void replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) = 0;

    // Deletes a folder with everything in it, silently and for good. A path
    // that is missing or is a file is left alone. Raises "Cannot delete folder
    // "<path>". <reason>" when the folder is not gone afterwards.
    virtual void delete_tree(const std::wstring& path) = 0;
};

// The folders the repairs use.
class Folders {
public:
    virtual ~Folders() = default;
    // The Windows folder, without a trailing backslash.
    virtual std::wstring windows_folder() = 0;
    // The system folder, without a trailing backslash.
    virtual std::wstring system_folder() = 0;
    // The TEMP variable as it is now; empty when it is not set.
    virtual std::wstring temp_folder() = 0;
    // The system drive with its root backslash, such as "C:\".
    virtual std::wstring system_drive() = 0;
};

// The stored texts of the text store window: registry scripts, the hosts text
// and the folder-view batch text, each as its lines.
class TextStore {
public:
    virtual ~TextStore() = default;
    // Raises "Resource <name> not found" when there is no such text.
    virtual std::vector<std::wstring> lines(const std::wstring& name) const = 0;
    // A stored program (the Explorer restarter) as its bytes; raises the same
    // error when there is none.
    virtual std::vector<std::uint8_t> program(const std::wstring& name) const = 0;
};

// The text of the error raised when a file cannot be created.
std::wstring cannot_create_file_text(const std::wstring& path, const std::wstring& reason);

// Joins lines into file text, each line ended by CR LF.
std::wstring join_lines_crlf(const std::vector<std::wstring>& lines);

} // namespace vx
