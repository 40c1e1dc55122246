#pragma once
// Text helpers shared by the core: UTF-16/UTF-8 conversion of wide strings
// (wchar_t is UTF-16 on Windows and UTF-32 elsewhere) and printf-style formatting.
#include <string>
#include <string_view>

namespace ostrel {

std::u16string toUtf16(std::wstring_view text);
std::wstring fromUtf16(std::u16string_view units);
std::string toUtf8(std::wstring_view text);
// Each byte that does not start a well-formed sequence becomes U+FFFD.
std::wstring fromUtf8(std::string_view bytes);
// True when every byte belongs to a well-formed UTF-8 sequence (no overlong forms, no
// encoded surrogates).
bool isValidUtf8(std::string_view bytes);
// True when the text has no lone surrogate (as UTF-16 it is well formed).
bool isValidUtf16(std::wstring_view text);

// swprintf into a buffer of bufferChars characters (terminator included); the text is cut
// to fit, as a fixed Win32 buffer would cut it.
std::wstring formatWide(std::size_t bufferChars, const wchar_t* format, ...);

// Narrow text through the current code page and back; for the ASCII texts
// involved (hash digits) both directions keep every character.
std::string toNarrow(std::wstring_view text);
std::wstring fromNarrow(std::string_view text);

}  // namespace ostrel
