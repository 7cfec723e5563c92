#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "services/registry.h"

namespace vx {

// List-view groups of the Restriction Fixer page.
inline constexpr int kGroupDesktopExplorer = 0;
inline constexpr int kGroupSystemSecurity = 1;
inline constexpr std::array<std::wstring_view, 2> kRestrictionGroupHeaders{L"Desktop & Explorer", L"System & Security"};

// One place a restriction lives: a DWORD value whose non-zero content switches
// a Windows function off.
struct RestrictionLocation {
    RootKey root;
    std::wstring_view key_path;
    std::wstring_view value_name;
};

// A known policy restriction. An entry has one location, or two: the same key
// under HKEY_LOCAL_MACHINE then HKEY_CURRENT_USER, or two values of one key.
struct RestrictionEntry {
    std::wstring_view caption;
    int group;
    std::array<RestrictionLocation, 2> places;
    std::size_t place_count;
    std::wstring_view description;

    std::span<const RestrictionLocation> locations() const { return {places.data(), place_count}; }
};

// The 34 restrictions in the order the page scans, lists and removes them.
std::span<const RestrictionEntry> restriction_catalogue();

// True when the value holds a non-zero REG_DWORD. The key is only opened for
// reading, never created; anything that fails (missing key or value, another type, refused
// access) counts as not restricted and is not reported.
bool test_location(RegistryBackend& registry, const RestrictionLocation& location);

// Deletes the value if it is there. The key is opened with the right to set
// values and created when missing; failures end the removal silently (the
// test that follows a removal finds the value still set).
void remove_location(RegistryBackend& registry, const RestrictionLocation& location);

// The first location decides; the second is tested only when the first is clear.
bool is_restricted(RegistryBackend& registry, const RestrictionEntry& entry);

// Clears every location of the entry in order, whether it held the value or not.
void remove(RegistryBackend& registry, const RestrictionEntry& entry);

} // namespace vx
