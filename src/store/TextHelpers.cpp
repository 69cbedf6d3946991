// Text and URL helpers: URL parts, n-th occurrence, HTML to one plain line, plain text to
// HTML line breaks, space runs and colours as hexadecimal text. Positions are 1-based.
#include "store/TextHelpers.h"

#include "platform/CodePage.h"
#include "platform/Strings.h"
#include "settings/Trap.h"

#include <array>
#include <cstdint>

namespace ReportUtils {

namespace {

// The position (1-based) of the first occurrence of what in text, 0 when absent; an empty
// needle is never found.
int Pos(std::string_view what, std::string_view text) {
    if (what.empty()) return 0;
    const size_t at = text.find(what);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

// count characters from the 1-based index; out-of-range parts are cut off.
std::string Copy(const std::string& text, int index, int count = INT32_MAX) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<int>(text.size())) return {};
    return text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

// Replaces each occurrence of what, compared ignoring ASCII case, by one space.
std::string ReplaceEntity(const std::string& text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (Strings::AsciiSameText(std::string_view(text).substr(i, what.size()), what)) {
            out += ' ';
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The classic desktop scheme, for colour values that name a system colour (index in the
// lowest byte of a negative value); red in the lowest byte as in every colour value.
constexpr std::uint32_t Rgb(std::uint32_t rrggbb) {
    return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}
constexpr std::array<std::uint32_t, 31> SystemColors = {
    Rgb(0xD4D0C8), Rgb(0x3A6EA5), Rgb(0x0A246A), Rgb(0x808080), Rgb(0xD4D0C8), Rgb(0xFFFFFF), Rgb(0x000000),
    Rgb(0x000000), Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0xD4D0C8), Rgb(0xD4D0C8), Rgb(0x808080), Rgb(0x0A246A),
    Rgb(0xFFFFFF), Rgb(0xD4D0C8), Rgb(0x808080), Rgb(0x808080), Rgb(0x000000), Rgb(0xD4D0C8), Rgb(0xFFFFFF),
    Rgb(0x404040), Rgb(0xD4D0C8), Rgb(0x000000), Rgb(0xFFFFE1), Rgb(0xB5B5B5), Rgb(0x000080), Rgb(0xA6CAF0),
    Rgb(0xC0C0C0), Rgb(0x316AC5), Rgb(0xD4D0C8),
};

}  // namespace

void ParseURL(const std::string& url, std::string& protocol, std::string& user, std::string& password,
              std::string& host, std::string& port, std::string& path) {
    protocol.clear(), user.clear(), password.clear(), host.clear(), port.clear(), path.clear();
    TrapVoid("ReportUtils.ParseURL", [&] {
        if (url.empty()) return;
        const int length = static_cast<int>(url.size());
        const int p = Pos("://", url);
        int start = 0;
        if (p == 0) {
            if (url[0] == '/') {
                protocol = "http";
                start = 1;
                if (length > 1 && url[1] != '/') {
                    path = url;
                    return;
                }
            } else if (Strings::AsciiLower(Copy(url, 1, 5)) == "http:") {
                protocol = "http";
                start = 6;
                if (length > 6 && url[6] != '/') {
                    path = Copy(url, 6);
                    return;
                }
            } else if (Strings::AsciiLower(Copy(url, 1, 7)) == "mailto:") {
                protocol = "mailto";
                start = Pos(":", url);
            }
        } else {
            protocol = Copy(url, 1, p - 1);
            start = p + 2;
        }
        const std::string rest = Copy(url, start + 1);
        int s = Pos("/", rest);
        const int q = Pos("?", rest);
        if (q > 0 && (s == 0 || q < s)) s = q;
        if (s == 0) s = static_cast<int>(rest.size()) + 1;
        path = Copy(rest, s);
        const std::string authority = Copy(rest, 1, s - 1);
        const int c = PosN(":", authority, -1);
        const int a = PosN("@", authority, -1);
        std::string userPart;
        if (c == 0 && a == 0) {
            host = authority;
        } else if (c > a) {
            port = Copy(authority, c + 1);
            host = Copy(authority, a + 1, c - a - 1);
            if (a > 0) userPart = Copy(authority, 1, a - 1);
        } else {
            host = Copy(authority, a + 1);
            userPart = Copy(authority, 1, a - 1);
        }
        const int colon = Pos(":", userPart);
        if (colon == 0) {
            user = userPart;
        } else {
            user = Copy(userPart, 1, colon - 1);
            password = Copy(userPart, colon + 1);
        }
    });
}

int PosN(const std::string& substring, const std::string& text, int n) {
    return Trap("ReportUtils.PosN", 0, [&] {
        const int notFound = static_cast<int>(text.size()) + 1;
        if (n == 0) return 0;
        if (substring.empty()) return n > 0 ? notFound : 0;
        if (n > 0) {
            // Each search resumes one character after the previous match, so matches overlap.
            size_t at = 0;
            for (int found = 0;; ++at) {
                at = text.find(substring, at);
                if (at == std::string::npos) return notFound;
                if (++found == n) return static_cast<int>(at) + 1;
            }
        }
        if (text.size() < substring.size()) return 0;
        size_t at = text.size() - substring.size();
        for (int found = 0;; --at) {
            at = text.rfind(substring, at);
            if (at == std::string::npos) return 0;
            if (++found == -n) return static_cast<int>(at) + 1;
            if (at == 0) return 0;
        }
    });
}

std::string TagKiller(const std::string& html) {
    return Trap("ReportUtils.TagKiller", std::string(), [&] {
        if (html.empty()) return std::string();
        const std::string text = Strings::Trim(html);
        std::string out;
        out.reserve(text.size());
        // A plain count: a ">" outside any tag drives it below zero, and the next tag then
        // never brings it back, so everything after that tag is dropped.
        int depth = 0;
        bool outside = true;
        for (const char c : text) {
            if (c == '<') {
                ++depth;
                outside = false;
                continue;
            }
            if (c == '>' && --depth == 0) {
                outside = true;
                continue;
            }
            if (!outside || c == '\n') continue;
            out += c == '\r' || c == '\t' ? ' ' : c;
        }
        for (const char* entity : {"&nbsp;", "&amp;", "&lt;", "&gt;", "&quot;"}) out = ReplaceEntity(out, entity);
        return Strings::Trim(out);
    });
}

std::u16string PlainTextToHTML(const std::u16string& text) {
    return Trap("ReportUtils.PlainTextToHTML", std::u16string(), [&] {
        return CodePage::AnsiToWide(Strings::ReplaceAll(CodePage::WideToAnsi(text), "\r\n", "<BR>"));
    });
}

std::string DelSpace1(const std::string& text) {
    return Trap("ReportUtils.DelSpace1", text, [&] {
        std::string out;
        out.reserve(text.size());
        for (const char c : text)
            if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
        return out;
    });
}

std::string ByteToHex(unsigned char value) {
    return Trap("ReportUtils.ByteToHex", std::string(), [&] {
        static constexpr char Digits[] = "0123456789ABCDEF";
        return std::string{Digits[value >> 4], Digits[value & 0x0F]};
    });
}

std::string ColorToRGB(int color) {
    return Trap("ReportUtils.ColorToRGB", std::string(), [&] {
        std::uint32_t rgb = static_cast<std::uint32_t>(color);
        if (color < 0) {
            const std::uint32_t index = rgb & 0xFF;
            rgb = index < SystemColors.size() ? SystemColors[index] : 0;
        }
        return ByteToHex(rgb & 0xFF) + ByteToHex((rgb >> 8) & 0xFF) + ByteToHex((rgb >> 16) & 0xFF);
    });
}

}  // namespace ReportUtils
