#include "tests/fakes/fake_system.h"

#include <fstream>
#include <sstream>

#include "fixers/assoc/registry_script.h"
#include "services/command_line.h"
#include "services/error.h"
#include "services/text.h"

namespace vx::test {

namespace {
constexpr wchar_t kPowerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power";
constexpr wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\";
} // namespace

std::wstring RecordingRunner::fold(const std::wstring& program) { return to_lower(program); }

int RecordingRunner::run(const std::wstring& command_line, std::uint16_t show) {
    check_command_line(command_line);
    calls_.push_back({command_line, show, true});
    const auto program = fold(program_token(command_line));
    if (missing_.count(program)) return -1;
    int effect_code = 0;
    if (auto effect = effects_.find(program); effect != effects_.end()) effect_code = effect->second(command_line);
    if (on_run) on_run(command_line);
    auto it = codes_.find(program);
    return it == codes_.end() ? effect_code : it->second;
}

bool RecordingRunner::start(const std::wstring& command_line, std::uint16_t show) {
    check_command_line(command_line);
    calls_.push_back({command_line, show, false});
    return missing_.count(fold(program_token(command_line))) == 0;
}

std::vector<std::wstring> RecordingRunner::lines() const {
    std::vector<std::wstring> out;
    for (const auto& call : calls_) out.push_back(call.command_line);
    return out;
}

std::wstring FakeFileSystem::fold(const std::wstring& path) {
    auto p = to_lower(path);
    while (p.size() > 3 && p.back() == L'\\') p.pop_back();
    return p;
}

std::wstring FakeFileSystem::parent(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool FakeFileSystem::file_exists(const std::wstring& path) { return files_.count(fold(path)) != 0; }

bool FakeFileSystem::directory_exists(const std::wstring& path) {
    const auto p = fold(path);
    // A drive root exists once anything lies on that drive.
    if (p.size() == 3 && p[1] == L':' && p[2] == L'\\') {
        for (const auto& d : directories_)
            if (d.starts_with(p.substr(0, 2))) return true;
        return false;
    }
    return directories_.count(p) != 0;
}

bool FakeFileSystem::delete_file(const std::wstring& path) {
    auto it = files_.find(fold(path));
    if (it == files_.end() || it->second.read_only || staged_.count(it->first)) return false;
    files_.erase(it);
    return true;
}

void FakeFileSystem::check_create(const std::wstring& path) {
    const auto folder = parent(fold(path));
    if (deny_create_.count(folder) || !directories_.count(folder))
        throw Error(cannot_create_file_text(path, deny_create_.count(folder) ? L"Access is denied"
                                                                               : L"The system cannot find the path specified"));
    auto it = files_.find(fold(path));
    if (it != files_.end() && it->second.read_only) throw Error(cannot_create_file_text(path, L"Access is denied"));
}

void FakeFileSystem::check_not_staged(const std::wstring& path) const {
    if (staged_.count(fold(path)))
        throw Error(cannot_create_file_text(
            path, L"The process cannot access the file because it is being used by another process"));
}

namespace {

class FakeStagedFile : public StagedFile {
public:
    explicit FakeStagedFile(std::function<void()> release) : release_(std::move(release)) {}
    ~FakeStagedFile() override { release_(); }

private:
    std::function<void()> release_;
};

} // namespace

std::unique_ptr<StagedFile> FakeFileSystem::stage(const std::wstring& path, std::string content) {
    const auto key = fold(path);
    check_not_staged(path);
    auto it = files_.find(key);
    if (it != files_.end()) {
        if (it->second.read_only || locked_.count(key))
            throw Error(cannot_create_file_text(path, L"A file of that name is there and cannot be removed: " +
                                                          std::wstring(it->second.read_only
                                                                           ? L"Access is denied"
                                                                           : L"The process cannot access the file "
                                                                             L"because it is being used by another "
                                                                             L"process")));
        files_.erase(it);
    }
    check_create(path);
    files_[key] = {std::move(content), false};
    staged_.insert(key);
    return std::make_unique<FakeStagedFile>([this, key] {
        staged_.erase(key);
        files_.erase(key);
    });
}

std::unique_ptr<StagedFile> FakeFileSystem::stage_text_file(const std::wstring& path,
                                                            const std::vector<std::wstring>& lines) {
    return stage(path, to_utf8(join_lines_crlf(lines)));
}

std::unique_ptr<StagedFile> FakeFileSystem::stage_binary_file(const std::wstring& path,
                                                              const std::vector<std::uint8_t>& bytes) {
    return stage(path, std::string(bytes.begin(), bytes.end()));
}

void FakeFileSystem::write_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) {
    check_not_staged(path);
    check_create(path);
    files_[fold(path)] = {to_utf8(join_lines_crlf(lines)), false};
}

void FakeFileSystem::write_binary_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    check_not_staged(path);
    check_create(path);
    files_[fold(path)] = {std::string(bytes.begin(), bytes.end()), false};
}

void FakeFileSystem::replace_text_file(const std::wstring& path, const std::vector<std::wstring>& lines) {
    const std::string bytes = to_utf8(join_lines_crlf(lines));
    replace_file(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<std::uint8_t> FakeFileSystem::read_file(const std::wstring& path) {
    auto it = files_.find(fold(path));
    if (it == files_.end() || deny_read_.count(fold(path)))
        throw Error(L"Cannot read file \"" + path + L"\". " +
                    (it == files_.end() ? L"The system cannot find the file specified" : L"Access is denied"));
    return {it->second.content.begin(), it->second.content.end()};
}

void FakeFileSystem::replace_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const auto folder = parent(fold(path));
    if (deny_create_.count(folder) || !directories_.count(folder))
        throw Error(cannot_create_file_text(path + L".new", L"Access is denied"));
    auto it = files_.find(fold(path));
    if (it != files_.end() && (it->second.read_only || staged_.count(it->first)))
        throw Error(L"Cannot replace file \"" + path + L"\". Access is denied");
    files_[fold(path)] = {std::string(bytes.begin(), bytes.end()), false};
}

void FakeFileSystem::create_folder(const std::wstring& path) {
    const auto p = fold(path);
    if (directories_.count(p)) return;
    const auto folder = parent(p);
    if (deny_create_.count(folder) || !directories_.count(folder) || files_.count(p))
        throw Error(L"Cannot create folder \"" + path + L"\". " +
                    (deny_create_.count(folder) ? L"Access is denied" : L"The system cannot find the path specified"));
    directories_.insert(p);
}

std::vector<std::wstring> FakeFileSystem::folder_entries(const std::wstring& path) {
    const auto prefix = fold(path) + L"\\";
    std::vector<std::wstring> names;
    const auto direct = [&](const std::wstring& key) {
        return key.starts_with(prefix) && key.find(L'\\', prefix.size()) == std::wstring::npos;
    };
    for (const auto& d : directories_)
        if (direct(d)) names.push_back(d.substr(prefix.size()));
    for (const auto& [key, file] : files_)
        if (direct(key)) names.push_back(key.substr(prefix.size()));
    return names;
}

void FakeFileSystem::copy_tree(const std::wstring& from, const std::wstring& to) {
    const auto source = fold(from);
    const auto target = fold(to);
    if (!directories_.count(source) || directories_.count(target) || files_.count(target))
        throw Error(L"Cannot create folder \"" + to + L"\". Cannot create a file when that file already exists");
    create_folder(to);
    const auto prefix = source + L"\\";
    for (const auto& d : std::set<std::wstring>(directories_))
        if (d.starts_with(prefix)) directories_.insert(target + d.substr(source.size()));
    for (const auto& [key, file] : std::map<std::wstring, File>(files_)) {
        if (!key.starts_with(prefix)) continue;
        if (deny_read_.count(key))
            throw Error(L"Cannot copy file \"" + key + L"\". Access is denied");
        files_[target + key.substr(source.size())] = {file.content, false};
    }
}

void FakeFileSystem::delete_tree(const std::wstring& path) {
    delete_tree_calls.push_back(path);
    const auto p = fold(path);
    if (!directories_.count(p)) return;
    const auto prefix = p + L"\\";
    // As the shell's delete: everything else goes, a locked file and the
    // folders holding it stay, and the failure is raised.
    std::set<std::wstring> kept;
    std::set<std::wstring> held = locked_;
    held.insert(staged_.begin(), staged_.end());
    for (const auto& file : held)
        if (file.starts_with(prefix) && files_.count(file))
            for (auto folder = parent(file); folder.size() >= p.size(); folder = parent(folder))
                kept.insert(folder);
    std::erase_if(directories_,
                  [&](const std::wstring& d) { return (d == p || d.starts_with(prefix)) && !kept.count(d); });
    std::erase_if(files_,
                  [&](const auto& entry) { return entry.first.starts_with(prefix) && !held.count(entry.first); });
    if (!kept.empty())
        throw Error(L"Cannot delete folder \"" + path +
                    L"\". The process cannot access the file because it is being used by another process");
}

void FakeFileSystem::add_file(const std::wstring& path, const std::string& content, bool read_only) {
    add_directory(parent(path));
    files_[fold(path)] = {content, read_only};
}

void FakeFileSystem::add_directory(const std::wstring& path) {
    auto p = fold(path);
    while (!p.empty()) {
        directories_.insert(p);
        const auto up = parent(p);
        if (up == p) break;
        p = up;
    }
}

std::optional<std::string> FakeFileSystem::content(const std::wstring& path) const {
    auto it = files_.find(fold(path));
    if (it == files_.end()) return std::nullopt;
    return it->second.content;
}

DiskTextStore::DiskTextStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path DiskTextStore::default_folder() { return std::filesystem::path(VANTRIX_SOURCE_DIR) / "resources" / "texts"; }

std::vector<std::wstring> DiskTextStore::lines(const std::wstring& name) const {
    // A stored text is the file named after its memo, whatever its extension.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        if (entry.path().stem().wstring() != name) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        return split_lines(widen_ascii(buffer.str()));
    }
    throw Error(L"Resource " + name + L" not found");
}

int ScriptedUi::message_box(const std::wstring& text, const std::wstring& caption, unsigned flags) {
    boxes.push_back({text, caption, flags});
    if (on_box) on_box(boxes.back());
    if (answers.empty()) return (flags & 0xF) == mb::yes_no ? mb::id_no : mb::id_ok;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::wstring ScriptedUi::input_box(const std::wstring& caption, const std::wstring& prompt,
                                   const std::wstring& initial) {
    input_prompts.emplace_back(caption, prompt);
    if (inputs.empty()) return initial;
    auto answer = inputs.front();
    inputs.pop_front();
    return answer ? *answer : initial;
}

int import_into(FakeRegistry& registry, const std::vector<std::wstring>& lines) {
    regscript::Script script;
    try {
        script = regscript::parse(lines);
    } catch (const regscript::ParseError&) {
        return 1;
    }
    int code = 0;
    for (const auto& section : script.sections) {
        Registry reg(registry, kKeyAllAccess, section.root);
        if (section.deletion) {
            if (!reg.delete_key(section.path) && reg.last_status() != status::file_not_found) code = 1;
            continue;
        }
        if (!reg.open_key(section.path, true)) {
            code = 1;
            continue;
        }
        for (const auto& value : section.values) {
            if (value.deletion) {
                if (!reg.delete_value(value.name) && reg.last_status() != status::file_not_found) code = 1;
                continue;
            }
            try {
                reg.write_value(value.name, {value.type, value.data});
            } catch (const Error&) {
                code = 1;
            }
        }
    }
    return code;
}

FakeSystem::FakeSystem() {
    runner.effect(L"reg.exe", [this](const std::wstring& command_line) {
        std::wstring rest;
        program_token(command_line, &rest);
        if (!rest.starts_with(L" import ")) return 1;
        std::wstring path = rest.substr(8);
        if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
        const auto content = files.content(path);
        if (!content) return 1;
        return import_into(registry, split_lines(widen_ascii(*content)));
    });
    // What powercfg and sc leave in the registry, as the checks after those
    // repairs read it back: a system with every service sc is asked about.
    runner.effect(L"powercfg", [this](const std::wstring& command_line) {
        if (command_line.ends_with(L"-h on")) registry.put_dword(RootKey::local_machine, kPowerKey, L"HibernateEnabled", 1);
        return 0;
    });
    runner.effect(L"sc", [this](const std::wstring& command_line) {
        // SC config "<service>" start=Auto
        const auto open = command_line.find(L'"');
        const auto close = open == std::wstring::npos ? open : command_line.find(L'"', open + 1);
        if (close == std::wstring::npos || !command_line.ends_with(L"start=Auto")) return 1;
        const std::wstring key = std::wstring(kServicesKey) + command_line.substr(open + 1, close - open - 1);
        registry.put_dword(RootKey::local_machine, key, L"Start", 2);
        return 0;
    });
}

std::vector<ScriptedUi::Box> FakeSystem::boxes_after(void (*repair)(Services&)) {
    try {
        repair(services);
    } catch (const Error& e) {
        ui.show_error(e.message());
    }
    return ui.boxes;
}

} // namespace vx::test
