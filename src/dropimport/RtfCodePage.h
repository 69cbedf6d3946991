#pragma once
// The Windows code pages an RTF document names ("ansicpg", the character set of each font)
// and the decoding of bytes written in them.
#include <string>
#include <string_view>

namespace RtfCodePage {

// The code page RTF means when it says nothing else ("ansi").
inline constexpr int DefaultCodePage = 1252;

// The code page of a font character set ("fcharset"), the Mac sets 77-89 included;
// documentCodePage for DEFAULT_CHARSET, the symbol set and values Windows does not define.
int CodePageOfCharset(int charset, int documentCodePage);
// The name iconv knows a code page by, through the web's label table ("CP1252", "MACINTOSH", "CP932" for Mac Japanese,
// "UTF-8" for 65001...).
std::string IconvName(int codePage);
// True for the double-byte code pages (Japanese, Chinese, Korean, Windows and Mac), whose
// characters may take two bytes.
bool IsDoubleByte(int codePage);
// True when the byte starts a two-byte character of a double-byte code page.
bool IsLeadByte(unsigned char b, int codePage);
// Decodes bytes in the code page to UTF-16. A code page iconv does not know is read as
// Windows-1252; bytes the code page does not define become "?".
std::u16string Decode(std::string_view bytes, int codePage);

}  // namespace RtfCodePage
