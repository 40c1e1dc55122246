#pragma once
// The store encoding of path patterns: keywords as two-character codes, flags as markers.
#include <string>
#include <string_view>

namespace ostrel::keywords {

// Replaces, left to right, every case-insensitive occurrence of keyword in text by replacement.
// After a replacement at position i the scan goes on at i + 1 over the changed text.
void replaceKeyword(std::wstring& text, std::wstring_view keyword, std::wstring_view replacement);

// Pattern (keywords spelled out) -> stored form with "*d", "*r", "*p" and the "?r"/"?o" markers.
std::wstring encode(const std::wstring& pattern, bool ownershipCheck, bool recursive);
// Stored form -> pattern; sets (never clears) the flags whose markers it finds.
std::wstring decode(const std::wstring& stored, bool& ownershipCheck, bool& recursive);
// The canonical letter case of the keywords in a command line.
std::wstring normalizeCase(std::wstring commandLine);

}  // namespace ostrel::keywords
