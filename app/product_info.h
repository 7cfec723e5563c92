#pragma once

// The product's own addresses and notices. The About window's link labels
// and the Help menu open the same addresses.

namespace vx {

inline constexpr wchar_t kHomepageAddress[] = L"https://vantrix.example.org";
inline constexpr wchar_t kSupportEmail[] = L"support@vantrix.example.com";
inline constexpr wchar_t kMailtoPrefix[] = L"mailto:";
inline constexpr wchar_t kVersionText[] = L"Version 2.1.4";
inline constexpr wchar_t kCopyrightNotice[] = L"Copyright \u00A9 2026 The Vantrix developers";

} // namespace vx
