#pragma once
// The maker's and the product's names, the maker's site and the version: written once for the
// store's key paths, the notice records, the About box and the help address.
#include "resources/version.h"

namespace ostrel::product {

#define OSTREL_MAKER "Kelvast"
#define OSTREL_PRODUCT "Ostrel"

inline constexpr wchar_t maker[] = L"" OSTREL_MAKER;
inline constexpr wchar_t name[] = L"" OSTREL_PRODUCT;
inline constexpr wchar_t version[] = L"" OSTREL_VERSION_TEXT;
// The maker's documentation site; https, so that no browser warns before showing it.
inline constexpr wchar_t website[] = L"https://www.kelvast.com";
// The administrator's guide of this version on that site; a page's help adds its anchor.
inline constexpr wchar_t guideUrl[] = L"https://www.kelvast.com/docs/os_ad_v" OSTREL_VERSION_DIGITS "_adminguide.htm";

}  // namespace ostrel::product
