#pragma once
// Character sets named by labels, as mail, HTML and RTF documents name them ("iso-8859-1",
// "ks_c_5601-1987", "Shift_JIS", "utf-8"...), and the decoding of bytes written in them into
// the program's text (the ANSI code page, see CodePage).
//
// A label is looked up without regard to case or surrounding blanks in a table of the labels
// mail programs and browsers use, each mapped to the iconv encoding that really matches what
// those programs write: "iso-8859-1", "latin1" and "us-ascii" are Windows-1252 (whose extra
// characters sit in the C1 range Latin-1 leaves unused), "shift_jis" is CP932, "gb2312" and
// "gbk" are GB18030, "ks_c_5601-1987" and "euc-kr" are CP949, "big5" is BIG5-HKSCS, "utf-16"
// without a byte order mark is little-endian. A label outside the table is handed to iconv as
// it stands, so "cp850" or "ibm437" still work.
//
// Undeclared 8-bit text (a raw header, a body without a charset) is UTF-8 when it is valid
// UTF-8, else Windows-1252. Text labelled with an 8-bit or multibyte legacy set ("us-ascii",
// "iso-8859-1", "gb2312"...) that is nevertheless valid UTF-8 with characters beyond ASCII was
// written in UTF-8 under a wrong label, and is read as UTF-8: legacy text is practically never
// valid UTF-8 by chance.
#include <string>
#include <string_view>

namespace Charset {

// The iconv name for a label (table first, then the label itself when iconv knows it); empty
// when neither knows it. A language suffix ("utf-8*en") is ignored.
std::string IconvName(std::string_view label);

// Bytes written in the labelled charset, as program text. An empty label means undeclared (see
// above). Bytes that are invalid in the charset become U+FFFD (or "?" where the program's
// code page cannot hold it). A byte order mark at the start of UTF-8 or UTF-16 text picks the
// byte order and is dropped. A label iconv does not know leaves the bytes as they are.
std::string ToAnsi(std::string_view bytes, std::string_view label);

// Undeclared 8-bit bytes as program text: UTF-8 when valid, else Windows-1252.
std::string UndeclaredToAnsi(std::string_view bytes);

// The same two conversions into UTF-8, whatever the locale, for callers that keep UTF-8.
std::string ToUtf8(std::string_view bytes, std::string_view label);
std::string UndeclaredToUtf8(std::string_view bytes);

}  // namespace Charset
