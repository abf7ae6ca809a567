#pragma once
// The product's own words that a release may want to change, kept in one place.

constexpr const wchar_t* kNoticeLine = L"Copyright \u00A9 2026 the Tessaline project";
