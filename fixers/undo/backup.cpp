#include "fixers/undo/backup.h"

#include <algorithm>

#include "fixers/assoc/assoc_health.h"
#include "services/error.h"
#include "services/text.h"

namespace vx {

namespace {

constexpr wchar_t kManifestHeader[] = L"Vantrix backup";
constexpr wchar_t kTime[] = L"Time: ";
constexpr wchar_t kRepair[] = L"Repair: ";
constexpr wchar_t kRegistry[] = L"Registry: ";
constexpr wchar_t kFile[] = L"File: ";
constexpr wchar_t kFolder[] = L"Folder: ";
constexpr wchar_t kFirewall[] = L"Firewall: ";
// Stands for the stored copy of a file or folder that was not there: undo
// removes what the repair created in its place.
constexpr wchar_t kAbsent[] = L"-";

// A file or folder of a backup: the copy's name in the backup folder (or
// kAbsent) and the place it was copied from.
struct Copy {
    std::wstring stored;
    std::wstring original;
};

struct Manifest {
    std::wstring time;
    std::wstring repair;
    bool registry = false;
    std::size_t registry_keys = 0;
    std::vector<Copy> files;
    std::vector<Copy> folders;
    bool firewall = false;
};

std::wstring join(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

// "stored original": the stored name holds no blank, the path may.
std::wstring copy_line(const wchar_t* kind, const Copy& copy) { return kind + copy.stored + L" " + copy.original; }

Copy read_copy(std::wstring_view rest) {
    const auto blank = rest.find(L' ');
    if (blank == std::wstring_view::npos) throw Error(L"The backup's list of contents is damaged");
    return {std::wstring(rest.substr(0, blank)), std::wstring(rest.substr(blank + 1))};
}

Manifest read_manifest(FileSystem& files, const std::wstring& folder) {
    const auto lines = utf16_file_lines(files.read_file(join(folder, kBackupManifest)));
    if (lines.empty() || lines.front() != kManifestHeader) throw Error(L"The backup's list of contents is damaged");
    Manifest m;
    for (const auto& line : lines) {
        const std::wstring_view text = line;
        if (text.starts_with(kTime)) {
            m.time = line.substr(std::wstring_view(kTime).size());
        } else if (text.starts_with(kRepair)) {
            m.repair = line.substr(std::wstring_view(kRepair).size());
        } else if (text.starts_with(kRegistry)) {
            m.registry = true;
            const auto rest = text.substr(std::wstring_view(kRegistry).size());
            const auto blank = rest.find(L' ');
            if (blank != std::wstring_view::npos) m.registry_keys = std::wcstoul(std::wstring(rest.substr(blank + 1)).c_str(), nullptr, 10);
        } else if (text.starts_with(kFile)) {
            m.files.push_back(read_copy(text.substr(std::wstring_view(kFile).size())));
        } else if (text.starts_with(kFolder)) {
            m.folders.push_back(read_copy(text.substr(std::wstring_view(kFolder).size())));
        } else if (text.starts_with(kFirewall)) {
            m.firewall = true;
        }
    }
    return m;
}

std::wstring contents_text(const Manifest& m) {
    std::vector<std::wstring> parts;
    if (m.registry)
        parts.push_back(L"registry: " + std::to_wstring(m.registry_keys) + (m.registry_keys == 1 ? L" key" : L" keys"));
    for (const auto& file : m.files) parts.push_back(L"file: " + file.original);
    for (const auto& folder : m.folders) parts.push_back(L"folder: " + folder.original);
    if (m.firewall) parts.push_back(L"firewall rules");
    std::wstring text;
    for (const auto& part : parts) text += (text.empty() ? L"" : L", ") + part;
    return text;
}

// A folder name from the time and the repair, safe in a path.
std::wstring folder_name(const std::wstring& time, const std::wstring& word) {
    std::wstring name = time + L" " + word;
    for (wchar_t& c : name)
        if (c == L':' || c == L'\\' || c == L'/' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' ||
            c == L'|' || c < 0x20)
            c = L'.';
    return name;
}

// Whether two folders hold the same names with the same bytes, all the way down.
bool same_tree(FileSystem& files, const std::wstring& a, const std::wstring& b) {
    auto left = files.folder_entries(a);
    auto right = files.folder_entries(b);
    const auto by_name = [](const std::wstring& x, const std::wstring& y) { return to_lower(x) < to_lower(y); };
    std::sort(left.begin(), left.end(), by_name);
    std::sort(right.begin(), right.end(), by_name);
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (!equals_ignore_case(left[i], right[i])) return false;
        const std::wstring x = join(a, left[i]);
        const std::wstring y = join(b, right[i]);
        if (files.directory_exists(x) != files.directory_exists(y)) return false;
        if (files.directory_exists(x) ? !same_tree(files, x, y) : files.read_file(x) != files.read_file(y))
            return false;
    }
    return true;
}

std::vector<std::wstring> restore_registry(Services& services, const std::wstring& folder) {
    const auto script =
        regscript::parse(utf16_file_lines(services.files.read_file(join(folder, kBackupRegistry))), regscript::Types::any);
    auto problems = apply_registry_script(services.registry, script);
    for (const auto& difference : compare_with_script(services.registry, script, false))
        problems.push_back(difference_detail(difference));
    return problems;
}

void restore_file(Services& services, const std::wstring& folder, const Copy& copy,
                  std::vector<std::wstring>& problems) {
    auto& files = services.files;
    if (copy.stored == kAbsent) {
        if (files.file_exists(copy.original) && !files.delete_file(copy.original))
            problems.push_back(L"Cannot delete file \"" + copy.original + L"\", which was not there before the repair");
        return;
    }
    const auto bytes = files.read_file(join(folder, copy.stored));
    files.replace_file(copy.original, bytes);
    if (files.read_file(copy.original) != bytes)
        problems.push_back(L"The file \"" + copy.original + L"\" still differs from its backup");
}

void restore_folder(Services& services, const std::wstring& folder, const Copy& copy,
                    std::vector<std::wstring>& problems) {
    auto& files = services.files;
    files.delete_tree(copy.original);
    if (copy.stored == kAbsent) return;
    const std::wstring stored = join(folder, copy.stored);
    files.copy_tree(stored, copy.original);
    if (!same_tree(files, stored, copy.original))
        problems.push_back(L"The folder \"" + copy.original + L"\" still differs from its backup");
}

} // namespace

std::wstring write_backup(Services& services, BackupFolders& backups, const std::wstring& time,
                          const std::wstring& repair, const std::wstring& folder_word, const BackupPlan& plan) {
    auto& files = services.files;
    const std::wstring root = backups.root();
    const std::wstring base = join(root, folder_name(time, folder_word));
    std::wstring folder = base;
    for (int n = 2; files.directory_exists(folder) || files.file_exists(folder); ++n)
        folder = base + L" (" + std::to_wstring(n) + L")";
    files.create_folder(folder);
    try {
        std::vector<std::wstring> manifest{kManifestHeader, kTime + time, kRepair + repair};
        if (!plan.keys.empty()) {
            const auto lines = export_registry(services.registry, plan.keys);
            files.write_binary_file(join(folder, kBackupRegistry), utf16_file_bytes(lines));
            manifest.push_back(kRegistry + std::wstring(kBackupRegistry) + L" " + std::to_wstring(plan.keys.size()));
        }
        for (std::size_t i = 0; i < plan.files.size(); ++i) {
            Copy copy{kAbsent, plan.files[i]};
            if (files.file_exists(copy.original)) {
                copy.stored = L"file" + std::to_wstring(i + 1);
                files.write_binary_file(join(folder, copy.stored), files.read_file(copy.original));
            }
            manifest.push_back(copy_line(kFile, copy));
        }
        for (std::size_t i = 0; i < plan.folders.size(); ++i) {
            Copy copy{kAbsent, plan.folders[i]};
            if (files.directory_exists(copy.original)) {
                copy.stored = L"folder" + std::to_wstring(i + 1);
                files.copy_tree(copy.original, join(folder, copy.stored));
            }
            manifest.push_back(copy_line(kFolder, copy));
        }
        if (plan.firewall) {
            const std::wstring exported = join(folder, kBackupFirewall);
            const int code = services.runner.run(L"netsh.exe", {L"advfirewall", L"export", exported}, sw::hide);
            if (code != 0 || !files.file_exists(exported))
                throw Error(L"The firewall rules could not be exported (netsh advfirewall export ended with " +
                            std::to_wstring(code) + L")");
            manifest.push_back(kFirewall + std::wstring(kBackupFirewall));
        }
        files.write_binary_file(join(folder, kBackupManifest), utf16_file_bytes(manifest));
    } catch (...) {
        try {
            files.delete_tree(folder);
        } catch (const Error&) {
            // Without its list of contents the folder is no backup and is never offered.
        }
        throw;
    }
    return folder;
}

std::vector<BackupSummary> list_backups(Services& services, BackupFolders& backups) {
    const std::wstring root = backups.root();
    auto names = services.files.folder_entries(root);
    // The names start with the time, so they sort by it.
    std::sort(names.begin(), names.end(), std::greater<>());
    std::vector<BackupSummary> list;
    for (const auto& name : names) {
        const std::wstring folder = join(root, name);
        if (!services.files.file_exists(join(folder, kBackupManifest))) continue;
        try {
            const Manifest m = read_manifest(services.files, folder);
            list.push_back({folder, m.time, m.repair, contents_text(m)});
        } catch (const Error&) {
            // A damaged list of contents: the backup cannot be trusted to put anything back.
        }
    }
    return list;
}

std::vector<std::wstring> restore_backup(Services& services, const std::wstring& folder) {
    const Manifest m = read_manifest(services.files, folder);
    std::vector<std::wstring> problems;
    const auto step = [&](const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& e) {
            problems.push_back(e.message());
        }
    };
    if (m.registry)
        step([&] {
            for (auto& p : restore_registry(services, folder)) problems.push_back(std::move(p));
        });
    for (const auto& copy : m.files) step([&] { restore_file(services, folder, copy, problems); });
    for (const auto& copy : m.folders) step([&] { restore_folder(services, folder, copy, problems); });
    if (m.firewall)
        step([&] {
            const int code = services.runner.run(L"netsh.exe", {L"advfirewall", L"import", join(folder, kBackupFirewall)},
                                                 sw::hide);
            if (code != 0)
                problems.push_back(L"The firewall rules could not be imported (netsh advfirewall import ended with " +
                                   std::to_wstring(code) + L")");
        });
    return problems;
}

bool back_up(Services& services, BackupFolders& backups, const std::wstring& time, const std::wstring& repair,
             const std::wstring& folder_word, const BackupPlan& plan) {
    if (plan.empty()) return true;
    try {
        write_backup(services, backups, time, repair, folder_word, plan);
        return true;
    } catch (const Error& e) {
        services.ui.show_message(kBackupFailedText + e.message(), mb::icon_error);
        return false;
    }
}

void run_with_backup(Services& services, BackupFolders& backups, const std::wstring& time, const std::wstring& repair,
                     const std::wstring& folder_word, const BackupPlan& plan, const std::function<void()>& run) {
    if (back_up(services, backups, time, repair, folder_word, plan)) run();
}

void undo_backup(Services& services, const BackupSummary& backup) {
    const std::wstring question = L"Put back what the repair \"" + backup.repair + L"\" of " + backup.time +
                                  L" changed?\n\nThe backup holds " + backup.contents + L".";
    if (services.ui.message_box(question, kAppTitle, mb::yes_no | mb::icon_question) != mb::id_yes) return;
    std::vector<std::wstring> problems;
    try {
        problems = restore_backup(services, backup.folder);
    } catch (const Error& e) {
        problems.push_back(e.message());
    }
    if (problems.empty()) {
        services.ui.show_message(kRestoredText, mb::icon_information);
        return;
    }
    std::wstring text = kNotRestoredText;
    for (std::size_t i = 0; i < problems.size() && i < 20; ++i) text += (i ? L"\n" : L"") + problems[i];
    if (problems.size() > 20) text += L"\n... and " + std::to_wstring(problems.size() - 20) + L" more";
    services.ui.show_message(text, mb::icon_error);
}

} // namespace vx
