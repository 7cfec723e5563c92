#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fixers/assoc/registry_script.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"

// The known-folder part of the FOLDER repair's stored script: the definitions
// it rewrites under FolderDescriptions, and the per-user part it removes.

namespace vx::regscript {
namespace {

constexpr const wchar_t* kDescriptions = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FolderDescriptions\\";
constexpr const wchar_t* kPropertyBag = L"\\PropertyBag";

const Script& folder_script() {
    static const Script script = parse(test::DiskTextStore().lines(L"mFIX_FOLDER_W10"));
    return script;
}

bool is_guid_in_braces(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const wchar_t c = text[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (dash ? c != L'-' : !hex) return false;
    }
    return true;
}

const Value* find_value(const Section& section, const std::wstring& name) {
    for (const auto& value : section.values)
        if (!value.is_default && equals_ignore_case(value.name, name)) return &value;
    return nullptr;
}

std::uint32_t dword_of(const Value& value) {
    std::uint32_t number = 0;
    for (std::size_t i = value.data.size(); i-- > 0;) number = number << 8 | value.data[i];
    return number;
}

// The key name below FolderDescriptions, or empty for a key elsewhere.
std::wstring below_descriptions(const Section& section) {
    if (section.root != RootKey::local_machine || !starts_with_ignore_case(section.path, kDescriptions)) return {};
    return section.path.substr(std::wstring(kDescriptions).size());
}

bool is_property_bag(const std::wstring& below) {
    const std::wstring bag = kPropertyBag;
    return below.size() > bag.size() && equals_ignore_case(below.substr(below.size() - bag.size()), bag);
}

std::vector<const Section*> definitions() {
    std::vector<const Section*> out;
    for (const auto& section : folder_script().sections) {
        const std::wstring below = below_descriptions(section);
        if (!below.empty() && !is_property_bag(below)) out.push_back(&section);
    }
    return out;
}

std::wstring name_of(const Section& definition) {
    const Value* name = find_value(definition, L"Name");
    return name ? name->text() : std::wstring();
}

TEST(FolderScript, DefinesTheKnownFoldersInExportOrder) {
    const std::vector<std::wstring> expected = {
        L"AccountPictures", L"Roaming Tiles", L"Common Programs", L"PublicAccountPictures", L"GameTasks",
        L"UserProfiles", L"MyComputerFolder", L"SearchHistoryFolder", L"Local Pictures", L"SyncSetupFolder",
        L"DpapiKeys", L"Retail Demo", L"Favorites", L"My Video", L"SearchHomeFolder", L"RecordedTVLibrary",
        L"System", L"Libraries", L"ThisDeviceFolder", L"MusicLibrary", L"CommonVideo", L"OneDriveDocuments",
        L"SyncResultsFolder", L"LocalizedResourcesDir", L"Cookies", L"CameraRollLibrary", L"Original Images",
        L"Recorded Calls", L"3D Objects", L"CommonMusic", L"OneDrivePictures", L"My Pictures", L"Cache",
        L"Local Videos", L"Downloads", L"SavedPictures", L"CommonDownloads", L"AppData", L"SyncCenterFolder",
        L"PublicLibraries", L"VideosLibrary", L"My Music", L"ConflictFolder", L"SavedGames", L"InternetFolder",
        L"HomeGroupFolder", L"Quick Launch", L"SystemCertificates", L"Contacts", L"UserProgramFiles",
        L"Device Metadata Store", L"Profile", L"Start Menu", L"Common AppData", L"ProgramFilesCommonX64",
        L"PhotoAlbums", L"ProgramFilesX64", L"ConnectionsFolder", L"Administrative Tools", L"ThisPCDesktopFolder",
        L"OneDriveCameraRoll", L"PrintersFolder", L"DocumentsLibrary", L"ProgramFilesX86", L"Searches",
        L"Local Downloads", L"SearchTemplatesFolder", L"Common Startup", L"ControlPanelFolder", L"SendTo",
        L"ResourceDir", L"ProgramFiles", L"CredentialManager", L"PrintHood", L"MAPIFolder",
        L"HomeGroupCurrentUserFolder", L"User Pinned", L"CD Burning", L"Local Music", L"UsersLibrariesFolder",
        L"AppUpdatesFolder", L"Application Shortcuts", L"Common Start Menu", L"Common Start Menu Places",
        L"LocalAppDataLow", L"OneDrive", L"Templates", L"Programs", L"PicturesLibrary", L"Roamed Tile Images",
        L"Camera Roll", L"Recent", L"Desktop", L"CommonPictures", L"RecycleBinFolder", L"Screenshots", L"CryptoKeys",
        L"Common Templates", L"Startup", L"ImplicitAppShortcuts", L"UserProgramFilesCommon", L"Links", L"OEM Links",
        L"OneDriveMusic", L"Common Desktop", L"NetHood", L"Ringtones", L"Games", L"Common Administrative Tools",
        L"NetworkPlacesFolder", L"SystemX86", L"History", L"Development Files", L"AddNewProgramsFolder",
        L"Playlists", L"ProgramFilesCommonX86", L"PublicGameTasks", L"ChangeRemoveProgramsFolder", L"Public",
        L"SavedPicturesLibrary", L"CommonRingtones", L"Common Documents", L"Captures", L"CSCFolder",
        L"Local AppData", L"Windows", L"UsersFilesFolder", L"Local Documents", L"ProgramFilesCommon", L"Fonts",
        L"Personal",
    };
    std::vector<std::wstring> names;
    for (const Section* definition : definitions()) names.push_back(name_of(*definition));
    EXPECT_EQ(names, expected);
}

TEST(FolderScript, EveryDefinitionIsAGuidKeyWithACategoryAndAName) {
    std::set<std::wstring> seen;
    for (const Section* definition : definitions()) {
        const std::wstring key = below_descriptions(*definition);
        SCOPED_TRACE(key);
        EXPECT_TRUE(is_guid_in_braces(key));
        EXPECT_TRUE(seen.insert(to_lower(key)).second) << "defined twice";
        const Value* category = find_value(*definition, L"Category");
        ASSERT_NE(category, nullptr);
        ASSERT_EQ(category->type, ValueType::dword);
        EXPECT_GE(dword_of(*category), 1u);
        EXPECT_LE(dword_of(*category), 4u);
        const Value* name = find_value(*definition, L"Name");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->type, ValueType::sz);
        EXPECT_FALSE(name->text().empty());
    }
}

TEST(FolderScript, PropertyBagsFollowTheirDefinitions) {
    // The libraries name the folders they are built on, the libraries folder
    // cannot be customised, and the This PC folders carry their display policy.
    const std::set<std::wstring> expected = {
        L"Local Pictures", L"MusicLibrary", L"3D Objects",        L"Local Videos",         L"VideosLibrary",
        L"DocumentsLibrary", L"Local Downloads", L"Local Music", L"UsersLibrariesFolder", L"PicturesLibrary",
        L"Local Documents",
    };
    const auto& sections = folder_script().sections;
    std::set<std::wstring> with_bag;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::wstring below = below_descriptions(sections[i]);
        if (below.empty() || !is_property_bag(below)) continue;
        SCOPED_TRACE(below);
        ASSERT_GT(i, 0u);
        const std::wstring owner = below.substr(0, below.size() - std::wstring(kPropertyBag).size());
        EXPECT_TRUE(equals_ignore_case(below_descriptions(sections[i - 1]), owner)) << "not right after its folder";
        EXPECT_FALSE(sections[i].values.empty());
        with_bag.insert(name_of(sections[i - 1]));
    }
    EXPECT_EQ(with_bag, expected);
}

TEST(FolderScript, ParentFoldersAreDefinedAndLeadToARoot) {
    std::map<std::wstring, std::wstring> parent_of; // folded key -> folded parent key, empty at a root
    for (const Section* definition : definitions()) {
        const std::wstring key = to_lower(below_descriptions(*definition));
        const Value* parent = find_value(*definition, L"ParentFolder");
        const Value* relative = find_value(*definition, L"RelativePath");
        SCOPED_TRACE(name_of(*definition));
        // A folder below a parent is found only through its relative path.
        EXPECT_EQ(parent != nullptr, relative != nullptr);
        parent_of[key] = parent ? to_lower(parent->text()) : std::wstring();
    }
    for (const auto& [key, first_parent] : parent_of) {
        SCOPED_TRACE(key);
        std::wstring parent = first_parent;
        std::size_t steps = 0;
        while (!parent.empty() && steps++ <= parent_of.size()) {
            const auto found = parent_of.find(parent);
            ASSERT_NE(found, parent_of.end()) << "parent " << std::string(parent.begin(), parent.end())
                                              << " is not defined";
            parent = found->second;
        }
        EXPECT_TRUE(parent.empty()) << "the parent chain loops";
    }
}

TEST(FolderScript, WritesTheDefinitionsWithoutDeletingAnyAndOnlyDeletesTheUserChoices) {
    std::vector<std::wstring> current_user;
    for (const auto& section : folder_script().sections) {
        if (section.root == RootKey::local_machine) {
            EXPECT_FALSE(section.deletion) << std::string(section.path.begin(), section.path.end());
            EXPECT_FALSE(below_descriptions(section).empty()) << "HKLM key outside FolderDescriptions";
        }
        if (section.root == RootKey::current_user) {
            EXPECT_TRUE(section.deletion);
            current_user.push_back(section.path);
        }
    }
    const std::vector<std::wstring> expected = {
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\Folder",
        L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\Folder",
    };
    EXPECT_EQ(current_user, expected);
}

} // namespace
} // namespace vx::regscript
