#pragma once
// The ANSI code page: the character set of the user's locale (nl_langinfo(CODESET) after
// setlocale(LC_ALL, "")), in which the program's 8-bit strings are held. Wide strings are
// UTF-16 code units.
#include <string>
#include <string_view>

namespace CodePage {

// The locale's character set name as iconv knows it ("UTF-8", "ISO-8859-15", ...).
std::string AnsiCodeSet();
bool IsUtf8();

// 8-bit text in the ANSI code page to UTF-16. Bytes that are not valid in the code page
// become U+FFFD, one per byte.
std::u16string AnsiToWide(std::string_view text);
// UTF-16 to the ANSI code page. Characters the code page cannot hold become "?".
std::string WideToAnsi(std::u16string_view text);

// Strict conversions between UTF-8 and UTF-16 (invalid input becomes U+FFFD), for the
// places where the data is known to be UTF-8 whatever the locale.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Conversion between any two character sets that iconv knows; each unconvertible input unit
// (inputUnit bytes) becomes replacement, written in the target set. Returns false when iconv
// does not know one of the names.
bool Convert(std::string_view text, const std::string& fromSet, const std::string& toSet, std::string& out,
             const std::string& replacement = "?", size_t inputUnit = 1);

}  // namespace CodePage
