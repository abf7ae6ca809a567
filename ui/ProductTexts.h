#pragma once
// The product's own words that a release may want to change, kept in one place. The project
// has no public site yet: the addresses are under the reserved example domains.

constexpr const wchar_t* kNoticeLine = L"Copyright \u00A9 2026 the Tessaline project";
constexpr const wchar_t* kAuthorLine = L"By Tessaline team";
constexpr const wchar_t* kMailLine = L"E-mail : tessaline@example.org";
constexpr const wchar_t* kSecondMail = L"support@example.com";
constexpr const wchar_t* kProfileAddress = L"http://example.com/tessaline";
constexpr const wchar_t* kSecondProfileAddress = L"http://example.net/tessaline";
constexpr const wchar_t* kBlogAddress = L"http://blog.example.org/";
