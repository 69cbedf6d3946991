#pragma once
// Small text helpers over 8-bit strings in the ANSI code page.
#include <string>
#include <string_view>
#include <vector>

namespace Strings {

// Removes leading and trailing characters with codes 0 to 32.
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);
// ASCII-only case folding, for names the program itself defines (registry keys, markers).
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
bool AsciiSameText(std::string_view a, std::string_view b);
// Case folding and comparison in the user's locale (the whole character set, not only ASCII).
std::string AnsiLowerCase(std::string_view text);
int AnsiCompareText(std::string_view a, std::string_view b);
// A sort key for AnsiCompareText: keys compare (as wide strings) as their texts do there, so a
// list is sorted with one key per name instead of two conversions per comparison.
std::wstring AnsiCompareTextKey(std::string_view text);
// Position of the first occurrence of needle in text, compared ignoring case in the locale.
size_t AnsiFindText(std::string_view text, std::string_view needle);
// Replaces the first occurrence of what (ignoring case) by with; unchanged when absent.
std::string ReplaceFirstIgnoreCase(const std::string& text, std::string_view what, std::string_view with);
std::string ReplaceAll(std::string text, std::string_view what, std::string_view with);
// What HTML escaping writes as entities besides "&", "<" and ">".
enum THtmlEscapes : unsigned {
    EscapeQuote = 1,         // '"' as "&quot;", for a double-quoted attribute value
    EscapeApostrophe = 2,    // "'" as "&#39;", for a value that may stand in single quotes
    EscapeNoBreakSpace = 4,  // U+00A0 (in UTF-8) as "&nbsp;", as a browser writes a page's text
};
// Appends text with its markup characters as entities: "&", "<", ">" and those escapes names.
// The default suits text between tags and double-quoted attribute values alike.
void AppendHtmlEscaped(std::string& out, std::string_view text, unsigned escapes = EscapeQuote);
std::string HtmlEscaped(std::string_view text, unsigned escapes = EscapeQuote);
// Percent-encodes every byte but the unreserved URL characters (letters, digits, "-._~") and
// those in keep ("/" for paths).
std::string PercentEncode(std::string_view text, std::string_view keep = "");
// %XX escapes (hex digits of either case) decoded, everything else kept.
std::string PercentDecode(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
// Splits at CR LF, CR or LF, as a text file's lines are read; a final line end adds no line.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd = "\r\n");

}  // namespace Strings
