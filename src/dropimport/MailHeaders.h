#pragma once
// The read side of mail header lines: canonical form, value and parameter lookup, encoded
// words, sender and recipient entries and the message date. All of it works on 8-bit text and
// never raises on malformed input: missing headers give empty strings, bad dates give 0.
#include "platform/DateTime.h"

#include <string>
#include <string_view>
#include <vector>

namespace MailHeaders {

// "content-TYPE:   text/plain;  a=b" -> "Content-Type: text/plain; a=b": the label's first
// letter and each letter after "-" upper case, the rest lower case ("Message-ID" keeps its
// "ID"); blank runs outside double quotes collapse to one; the value is trimmed.
std::string CanonicalHeaderLine(std::string_view line);

// The first header line that starts with label + ":" (ignoring case), or nullptr.
const std::string* FindHeaderLine(const std::vector<std::string>& lines, std::string_view label);
// The value of that line: after the first ":" and before the first ";" outside double quotes,
// trimmed, with enclosing quotes removed.
std::string HeaderValue(const std::vector<std::string>& lines, std::string_view label);
// The value of the parameter name (ignoring case) of that line, trimmed and unquoted.
std::string HeaderParam(const std::vector<std::string>& lines, std::string_view label, std::string_view name);

// Encoded words ("=?charset?B?...?=", Q and U as well) replaced by their bytes; the charset
// name is ignored. A malformed uuencoded word ends the decoding and the rest stays as it is.
std::string DecodeHeaderWords(std::string_view text);

// The display name and the address of the first entry of an address header value.
std::string SenderName(std::string_view fromValue);
std::string SenderAddress(std::string_view fromValue);
// Every entry of an address header value: names (empty when an entry has none) and addresses.
void ParseAddressList(std::string_view value, std::vector<std::string>& names, std::vector<std::string>& addresses);

// A "Date" header value as a local date-time; 0 when it is empty or cannot be read.
TDateTime ParseMessageDate(std::string_view text);

}  // namespace MailHeaders
