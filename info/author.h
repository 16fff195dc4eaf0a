#pragma once
// The author's details shown in the banners and the About window (fictional; the
// addresses are under a domain reserved for examples).

namespace kv::info::author {

inline constexpr wchar_t kName[] = L"Mira Tollund";
inline constexpr wchar_t kTown[] = L"Westhaven, Northland";
inline constexpr wchar_t kPhone[] = L"+00 555 0147 2233";
inline constexpr wchar_t kEmail[] = L"mira.tollund@example.com";
inline constexpr wchar_t kEmail2[] = L"support@example.com";
inline constexpr wchar_t kEmail3[] = L"kelvane@example.org";
inline constexpr wchar_t kWebSite[] = L"http://example.com";
// Introduces the details in the About window; its "&" is shown as a character.
inline constexpr wchar_t kContactCaption[] = L"Author & contact details:";

} // namespace kv::info::author
