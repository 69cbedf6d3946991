#include "dropimport/MailCodecs.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace MailCodecs {

namespace {

const char HexDigits[] = "0123456789ABCDEF";

// Value of an upper-case hex digit (or a lower-case one when anyCase), or -1.
int HexDigitValue(char c, bool anyCase) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (anyCase && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr unsigned char B64Pad = 64;
constexpr unsigned char B64Other = 65;

constexpr std::array<unsigned char, 256> MakeBase64Table() {
    std::array<unsigned char, 256> t{};
    for (auto& v : t) v = B64Other;
    for (int i = 0; i < 26; ++i) {
        t['A' + i] = static_cast<unsigned char>(i);
        t['a' + i] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<unsigned char>(52 + i);
    t['+'] = 62;
    t['/'] = 63;
    t['='] = B64Pad;
    return t;
}
constexpr std::array<unsigned char, 256> Base64Table = MakeBase64Table();
const char Base64Symbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The uucode alphabet: "`" and the blank are 0, "!" to "_" are 1 to 63; -1 for anything else.
int UUValue(char c) {
    if (c == '`' || c == ' ') return 0;
    if (c > ' ' && c <= '_') return c - ' ';
    return -1;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
    out += '=';
    out += HexDigits[byte >> 4];
    out += HexDigits[byte & 15];
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

std::vector<std::string> BytesToLines(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    ForEachLine(bytes, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string LinesToText(const std::vector<std::string>& lines) { return Strings::JoinLines(lines, "\r\n"); }

std::string DecodeQuotedPrintable(std::string_view text, bool anyCaseHex) {
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const void* hit = std::memchr(text.data() + i, '=', n - i);
        const size_t eq = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : n;
        out.append(text, i, eq - i);
        if (eq == n) break;
        const size_t rest = n - eq - 1;  // characters after the "="
        if (rest == 0) break;            // a final "=" is dropped
        if (rest == 1) {                 // one character after it: the scan ends, text unchanged
            out.append(text, eq, 2);
            break;
        }
        const char a = text[eq + 1], b = text[eq + 2];
        const int hi = HexDigitValue(a, anyCaseHex), lo = HexDigitValue(b, anyCaseHex);
        if (hi >= 0 && lo >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i = eq + 3;
        } else if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r')) {
            i = eq + 3;  // soft line break
        } else if (a == '\r' || a == '\n') {
            i = eq + 2;  // "=" and a lone line-end character
        } else {
            out += '=';
            i = eq + 1;
        }
    }
    return out;
}

std::string EncodeQuotedPrintable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    const size_t n = bytes.size();
    size_t column = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool lineEndNext = i + 1 >= n || (bytes[i + 1] == '\r' && i + 2 < n && bytes[i + 2] == '\n');
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') {
            out += "\r\n";
            ++i;
            column = 0;
            continue;
        }
        // Blanks and tabs stay literal except at a line end, where transports strip them.
        const bool literal = (c > 32 && c < 127 && c != '=') || ((c == ' ' || c == '\t') && !lineEndNext);
        const size_t width = literal ? 1 : 3;
        if (column + width > 75) {
            out += "=\r\n";
            column = 0;
        }
        if (literal)
            out += static_cast<char>(c);
        else
            AppendHexEscape(out, c);
        column += width;
    }
    return out;
}

void DecodeBase64Line(std::string_view line, std::string& out) {
    const size_t start = out.size();
    out.resize(start + (line.size() + 3) / 4 * 3);
    unsigned char* dst = reinterpret_cast<unsigned char*>(out.data() + start);
    const unsigned char* src = reinterpret_cast<const unsigned char*>(line.data());
    const size_t n = line.size();
    unsigned char last[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < n; i += 4) {
        const size_t count = n - i < 4 ? n - i : 4;
        if (count == 4) {  // the common case: four symbols
            const unsigned char a = Base64Table[src[i]], b = Base64Table[src[i + 1]], c = Base64Table[src[i + 2]],
                                d = Base64Table[src[i + 3]];
            if ((a | b | c | d) < 64) {
                last[0] = a, last[1] = b, last[2] = c, last[3] = d;
                *dst++ = static_cast<unsigned char>(a << 2 | b >> 4);
                *dst++ = static_cast<unsigned char>((b & 15) << 4 | c >> 2);
                *dst++ = static_cast<unsigned char>((c & 3) << 6 | d);
                continue;
            }
        }
        unsigned char v[4] = {0, 0, 0, 0};
        bool pad[4] = {true, true, true, true};  // an unfinished last group reads as padded
        for (size_t k = 0; k < count; ++k) {
            const unsigned char symbol = Base64Table[src[i + k]];
            pad[k] = symbol == B64Pad;
            if (symbol < 64) last[k] = symbol;
            if (!pad[k]) v[k] = last[k];
        }
        size_t bytes = 3;
        if (pad[0] || count == 1)
            bytes = 0;
        else if (pad[2])
            bytes = 1;
        else if (pad[3])
            bytes = 2;
        const unsigned char b[3] = {static_cast<unsigned char>(v[0] << 2 | v[1] >> 4),
                                    static_cast<unsigned char>((v[1] & 15) << 4 | v[2] >> 2),
                                    static_cast<unsigned char>((v[2] & 3) << 6 | v[3])};
        for (size_t k = 0; k < bytes; ++k) *dst++ = b[k];
    }
    out.resize(static_cast<size_t>(reinterpret_cast<char*>(dst) - out.data()));
}

std::string DecodeBase64Body(std::string_view body) {
    std::string out;
    out.reserve(body.size() / 4 * 3 + 3);
    ForEachLine(body, [&](std::string_view line) { DecodeBase64Line(TrimBlanks(line), out); });
    return out;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string out;
    const size_t groups = (bytes.size() + 2) / 3;
    out.reserve(groups * 4 + groups / 19 * 2 + 2);
    const auto at = [&](size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        if (column == 76) {
            out += "\r\n";
            column = 0;
        }
        const unsigned triple = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        const size_t left = bytes.size() - i;
        out += Base64Symbols[triple >> 18 & 63];
        out += Base64Symbols[triple >> 12 & 63];
        out += left > 1 ? Base64Symbols[triple >> 6 & 63] : '=';
        out += left > 2 ? Base64Symbols[triple & 63] : '=';
        column += 4;
    }
    return out;
}

bool TryUUDecodeLine(std::string_view line, std::string& out) {
    if (line.empty()) return true;
    const int count = UUValue(line[0]);
    if (count < 0) return false;
    std::string_view data = line.substr(1);
    if (count == 45) data = data.substr(0, 60);
    for (char c : data)
        if (UUValue(c) < 0) return false;
    // Six bits per character, most significant first; bytes the characters do not reach are 0.
    unsigned acc = 0;
    int bits = 0, produced = 0;
    for (size_t k = 0; k < data.size() && produced < count; ++k) {
        acc = (acc << 6 | static_cast<unsigned>(UUValue(data[k]))) & 0xFFFFu;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>(acc >> bits & 0xFF);
            ++produced;
        }
    }
    if (produced < count && bits > 0) {
        out += static_cast<char>(acc << (8 - bits) & 0xFF);
        ++produced;
    }
    out.append(static_cast<size_t>(count - produced), '\0');
    return true;
}

void UUDecodeLine(std::string_view line, std::string& out) {
    if (!TryUUDecodeLine(line, out)) throw Exception("UUCODE message format error");
}

std::string UUDecodeBody(std::string_view body) {
    std::string out;
    out.reserve(body.size() / 4 * 3);
    // A body that still carries its "begin mode name" and "end" lines is read between them.
    bool ended = false;
    ForEachLine(body, [&](std::string_view line) {
        line = TrimBlanks(line);
        if (ended || (out.empty() && line.starts_with("begin "))) return;
        if (line == "end") {
            ended = true;
            return;
        }
        UUDecodeLine(line, out);
    });
    return out;
}

}  // namespace MailCodecs
