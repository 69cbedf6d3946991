#pragma once
// The read side of mail header lines: canonical form, value and parameter lookup, encoded
// words, sender and recipient entries and the message date. Decoded text (words, names,
// extended parameters) comes out as program text, converted from its charset (see Charset).
// Nothing here raises on malformed input: missing headers give empty strings, bad dates give 0.
#include "platform/DateTime.h"

#include <string>
#include <string_view>
#include <vector>

namespace MailHeaders {

// "content-TYPE :   text/plain;  a=b" -> "Content-Type: text/plain; a=b": blanks before the
// colon dropped, the label's first letter and each letter after "-" upper case, the rest lower
// case ("Message-ID" keeps its "ID"); blank runs outside double quotes collapse to one; the
// value is trimmed.
std::string CanonicalHeaderLine(std::string_view line);

// The first header line that starts with label + ":" (ignoring case), or nullptr.
const std::string* FindHeaderLine(const std::vector<std::string>& lines, std::string_view label);
// The value of that line: after the first ":" outside double quotes, trimmed, with enclosing
// quotes removed. Only the headers with parameters ("Content-Type", "Content-Disposition")
// end at the first ";" outside double quotes; a subject or an address list keeps its ";".
std::string HeaderValue(const std::vector<std::string>& lines, std::string_view label);
// The value of the parameter name (ignoring case) of that line, trimmed and unquoted. The
// extended forms ("name*=utf-8''%E2%82%AC", "name*0=", "name*1*=") win over the plain one;
// their %XX escapes are decoded and their charset converted.
std::string HeaderParam(const std::vector<std::string>& lines, std::string_view label, std::string_view name);

// Encoded words ("=?charset?B?...?=", Q with hex digits of either case, and U) replaced by
// their text: blanks between adjacent words are dropped, adjacent words in one charset are
// joined before conversion (a character split over two words stays whole), and text outside
// the words is undeclared 8-bit text. Decoded text is never decoded again; something that is
// no well-formed word (an unknown letter, bad uucode) stays as it stands.
std::string DecodeHeaderWords(std::string_view text);

// The display name and the address of the first entry of an address header value.
std::string SenderName(std::string_view fromValue);
std::string SenderAddress(std::string_view fromValue);
// Every entry of an address header value: names (empty when an entry has none) and addresses.
// Quoted names keep their "," and ";" and lose their backslash escapes; comments are dropped,
// and name an entry that has no display name ("a@b.org (Ann)"); a group ("Team: a@b, c@d;")
// gives its members and nothing for its name; entries may follow each other without a comma
// ("A <a@x> B <b@x>", "a@x b@x"); blanks, comments and a source route inside "<...>" go.
void ParseAddressList(std::string_view value, std::vector<std::string>& names, std::vector<std::string>& addresses);

// A "Date" header value as a local date-time; 0 when it is empty or cannot be read. Comments
// are ignored; zones are numeric or named (UT, GMT, EST/EDT, CST/CDT, MST/MDT, PST/PDT and the
// military letters A-I, K-Z as the old mail standard gives them).
TDateTime ParseMessageDate(std::string_view text);

}  // namespace MailHeaders
