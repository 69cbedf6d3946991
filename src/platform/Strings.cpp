#include "platform/Strings.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace Strings {

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return std::string(text.substr(b, e - b));
}

std::string TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return std::string(text.substr(0, e));
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

namespace {

std::wstring ToWide(std::string_view text) {
    const std::u16string units = CodePage::AnsiToWide(text);
    std::wstring out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

std::string FromWide(const std::wstring& text) {
    std::u16string units;
    units.reserve(text.size());
    for (wchar_t w : text) {
        char32_t c = static_cast<char32_t>(w);
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return CodePage::WideToAnsi(units);
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string AnsiLowerCase(std::string_view text) {
    if (IsAscii(text)) return AsciiLower(text);
    std::wstring wide = ToWide(text);
    for (wchar_t& c : wide) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return FromWide(wide);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    std::wstring wa = ToWide(a), wb = ToWide(b);
    for (wchar_t& c : wa) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    for (wchar_t& c : wb) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    const int r = std::wcscoll(wa.c_str(), wb.c_str());
    if (r != 0) return r < 0 ? -1 : 1;
    return wa < wb ? -1 : (wb < wa ? 1 : 0);
}

std::wstring AnsiCompareTextKey(std::string_view text) {
    std::wstring lower = ToWide(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    // The collation form, a NUL (below every character it holds, so a form that is a prefix of
    // another sorts first) and the lower-cased text for the tie-break of equal forms.
    std::wstring key(std::wcsxfrm(nullptr, lower.c_str(), 0) + 1, L'\0');
    key.resize(std::wcsxfrm(key.data(), lower.c_str(), key.size()));
    key += L'\0';
    return key + lower;
}

size_t AnsiFindText(std::string_view text, std::string_view needle) {
    if (IsAscii(text) && IsAscii(needle)) return AsciiLower(text).find(AsciiLower(needle));
    // Case folding can change a character's length in the code page, so the search runs on
    // folded wide text and the position is mapped back through the unfolded prefix.
    const std::wstring wt = ToWide(text), wn = ToWide(needle);
    std::wstring ft = wt, fn = wn;
    for (wchar_t& c : ft) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    for (wchar_t& c : fn) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    const size_t at = ft.find(fn);
    if (at == std::wstring::npos) return std::string::npos;
    return FromWide(wt.substr(0, at)).size();
}

std::string ReplaceFirstIgnoreCase(const std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return text;
    const size_t at = AnsiFindText(text, what);
    if (at == std::string::npos) return text;
    // The matched text has the needle's length in folded form; for the ASCII and same-length
    // cases that is its length here too.
    return text.substr(0, at) + std::string(with) + text.substr(std::min(text.size(), at + what.size()));
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    if (what.empty()) return text;
    size_t p = text.find(what);
    if (p == std::string::npos) return text;
    // Built in one pass: replacing in place would move the tail once per occurrence.
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (; p != std::string::npos; p = text.find(what, from)) {
        out.append(text, from, p - from);
        out += with;
        from = p + what.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

void AppendHtmlEscaped(std::string& out, std::string_view text, unsigned escapes) {
    out.reserve(out.size() + text.size());
    size_t run = 0;  // the start of the characters not yet written
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view entity;
        switch (text[i]) {
            case '&': entity = "&amp;"; break;
            case '<': entity = "&lt;"; break;
            case '>': entity = "&gt;"; break;
            case '"': if (escapes & EscapeQuote) entity = "&quot;"; break;
            case '\'': if (escapes & EscapeApostrophe) entity = "&#39;"; break;
            case '\xC2': if ((escapes & EscapeNoBreakSpace) && i + 1 < text.size() && text[i + 1] == '\xA0') entity = "&nbsp;"; break;
            default: break;
        }
        if (entity.empty()) continue;
        out.append(text.substr(run, i - run));
        out += entity;
        if (entity == "&nbsp;") ++i;
        run = i + 1;
    }
    out.append(text.substr(run));
}

std::string HtmlEscaped(std::string_view text, unsigned escapes) {
    std::string out;
    AppendHtmlEscaped(out, text, escapes);
    return out;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved || keep.find(ch) != std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd) {
    size_t size = 0;
    for (const auto& l : lines) size += l.size() + lineEnd.size();
    std::string out;
    out.reserve(size);
    for (const auto& l : lines) {
        out += l;
        out += lineEnd;
    }
    return out;
}

}  // namespace Strings
