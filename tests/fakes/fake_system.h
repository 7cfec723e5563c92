#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "services/services.h"
#include "tests/fakes/fake_registry.h"

namespace vx::test {

// Records every command and answers scripted exit codes. A program marked
// missing cannot be started (-1), as when process creation fails.
class RecordingRunner : public CommandRunner {
public:
    struct Call {
        std::wstring command_line;
        std::uint16_t show;
        bool waited;
        bool operator==(const Call&) const = default;
    };

    int run(const std::wstring& command_line, std::uint16_t show) override;
    bool start(const std::wstring& command_line, std::uint16_t show) override;
    using CommandRunner::run;

    // Matched against the program token, without regard to case.
    void exit_code(const std::wstring& program, int code) { codes_[fold(program)] = code; }
    void missing(const std::wstring& program) { missing_.insert(fold(program)); }
    // The system's texts of exit codes that are Windows error codes.
    std::map<std::uint32_t, std::wstring> error_texts;
    std::wstring error_text(std::uint32_t code) override {
        auto it = error_texts.find(code);
        return it == error_texts.end() ? std::wstring() : it->second;
    }
    // Called with the command line when it runs, for commands with effects.
    std::function<void(const std::wstring&)> on_run;
    // What a program does when it runs, with the exit code it answers unless
    // one is scripted.
    void effect(const std::wstring& program, std::function<int(const std::wstring&)> action) {
        effects_[fold(program)] = std::move(action);
    }

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::wstring> lines() const;

private:
    static std::wstring fold(const std::wstring& program);
    std::map<std::wstring, int> codes_;
    std::map<std::wstring, std::function<int(const std::wstring&)>> effects_;
    std::set<std::wstring> missing_;
    std::vector<Call> calls_;
};

// Files and folders in memory, paths compared without regard to case. Text
// files are stored as the bytes written (the stored texts are ASCII).
class FakeFileSystem : public FileSystem {
public:
    bool file_exists(const std::wstring& path) override;
    bool directory_exists(const std::wstring& path) override;
    bool delete_file(const std::wstring& path) override;
    std::optional<std::string> read_file(const std::wstring& path) override { return content(path); }
    void write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    void write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) override;
    void delete_tree(const std::wstring& path) override;
    // As the real thing: a leftover goes first (unless locked or read-only,
    // which refuses), and while staged the file can be read but not written
    // or deleted; released, it is deleted.
    std::unique_ptr<StagedFile> stage_text_file(const std::wstring& path,
                                                const std::vector<std::wstring>& lines) override;
    std::unique_ptr<StagedFile> stage_binary_file(const std::wstring& path,
                                                  const std::vector<std::uint8_t>& bytes) override;
    bool staged(const std::wstring& path) const { return staged_.count(fold(path)) != 0; }

    void add_file(const std::wstring& path, const std::string& content, bool read_only = false);
    void add_directory(const std::wstring& path);
    // The file is held open by another program: a folder delete stops at it.
    void lock_file(const std::wstring& path) { locked_.insert(fold(path)); }
    // Creating files in this folder fails with "Access is denied".
    void deny_create_in(const std::wstring& folder) { deny_create_.insert(fold(folder)); }
    std::optional<std::string> content(const std::wstring& path) const;
    std::vector<std::wstring> delete_tree_calls;

private:
    struct File {
        std::string content;
        bool read_only = false;
    };
    static std::wstring fold(const std::wstring& path);
    static std::wstring parent(const std::wstring& path);
    void check_create(const std::wstring& path);
    void check_not_staged(const std::wstring& path) const;
    std::unique_ptr<StagedFile> stage(const std::wstring& path, std::string content);
    std::set<std::wstring> staged_;
    std::map<std::wstring, File> files_;
    std::set<std::wstring> directories_;
    std::set<std::wstring> deny_create_;
    std::set<std::wstring> locked_;
};

class FakeFolders : public Folders {
public:
    std::wstring windows = L"C:\\Windows";
    std::wstring system = L"C:\\Windows\\system32";
    std::wstring temp = L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp";
    std::wstring drive = L"C:\\";
    std::wstring windows_folder() override { return windows; }
    std::wstring system_folder() override { return system; }
    std::wstring temp_folder() override { return temp; }
    std::wstring system_drive() override { return drive; }
};

// Reads the stored texts from the source tree's resources folder, the same
// files the product embeds.
class DiskTextStore : public TextStore {
public:
    explicit DiskTextStore(std::filesystem::path folder = default_folder());
    std::vector<std::wstring> lines(const std::wstring& name) const override;
    // The stored programs stand in as the bytes of an empty image.
    std::vector<std::uint8_t> program(const std::wstring&) const override { return {'M', 'Z'}; }
    static std::filesystem::path default_folder();

private:
    std::filesystem::path folder_;
};

// Message boxes and input boxes answered from a script, every box recorded.
class ScriptedUi : public Ui {
public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        unsigned flags;
        bool operator==(const Box&) const = default;
    };
    int message_box(const std::wstring& text, const std::wstring& caption, unsigned flags) override;
    std::wstring input_box(const std::wstring& caption, const std::wstring& prompt,
                           const std::wstring& initial) override;
    void process_messages() override { ++pumps; }
    void sleep(unsigned milliseconds) override { sleeps.push_back(milliseconds); }

    std::deque<int> answers;                     // message-box answers; OK when empty
    std::deque<std::optional<std::wstring>> inputs; // input-box answers; nullopt = cancel
    std::vector<Box> boxes;
    std::vector<std::pair<std::wstring, std::wstring>> input_prompts; // (caption, prompt)
    // Called while each box is open, for checks of the state at that moment.
    std::function<void(const Box&)> on_box;
    int pumps = 0;
    std::vector<unsigned> sleeps;
};

// Imports a registry script into the fake registry as reg.exe does: a key
// deletion takes the key's subtree (a missing key is no error), a key line
// makes the key and its parents, value lines set or delete values. A change
// the registry refuses is passed over and the import goes on; the answer is
// 1 when something was refused or the text is no registry script, else 0.
int import_into(FakeRegistry& registry, const std::vector<std::wstring>& lines);

// A whole fake system wired into Services. Its reg.exe imports the file it
// is given into the fake registry.
struct FakeSystem {
    FakeSystem();
    FakeRegistry registry;
    RecordingRunner runner;
    FakeFileSystem files;
    FakeFolders folders;
    DiskTextStore texts;
    ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\"};

    // Runs a repair as the application does: an error it raises is shown in
    // the standard error box. Answers every box the person saw.
    std::vector<ScriptedUi::Box> boxes_after(void (*repair)(Services&));
};

} // namespace vx::test
