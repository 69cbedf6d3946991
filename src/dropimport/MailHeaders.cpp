#include "dropimport/MailHeaders.h"

#include "dropimport/MailCodecs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace MailHeaders {

using MailCodecs::TrimBlanks;

namespace {

char AsciiUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }

bool SameTextPrefix(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLowerChar(text[i]) != AsciiLowerChar(prefix[i])) return false;
    return true;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && SameTextPrefix(a, b); }

// A value longer than two characters loses a quote (double or single) at each end.
std::string UnquoteLong(std::string_view v) {
    if (v.size() > 2 && IsQuote(v.front()) && IsQuote(v.back())) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// Decodes "letter ? text" of an encoded word; false for a uuencoded text with a bad character.
bool DecodeWordPiece(std::string_view piece, std::string& out) {
    const std::string_view text = piece.size() > 2 ? piece.substr(2) : std::string_view();
    const char letter = piece.size() >= 2 && piece[1] == '?' ? AsciiUpperChar(piece[0]) : 'Q';
    if (letter == 'B' || letter == 'U') {
        if (letter == 'B')
            MailCodecs::DecodeBase64Line(text, out);
        else if (!MailCodecs::TryUUDecodeLine(text, out))
            return false;
        out.resize(std::min(out.size(), out.find('\0')));
        return true;
    }
    std::string q(text);
    std::replace(q.begin(), q.end(), '_', ' ');
    out = MailCodecs::DecodeQuotedPrintable(q);
    return true;
}

// A decimal integer with an optional sign; anything else is 0. Saturates far beyond any date.
long long ToNumber(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return 0;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return 0;
        v = std::min(v * 10 + (s[i] - '0'), 1000000000LL);
    }
    return negative ? -v : v;
}

// Two decimal digits, or 0.
int DigitPair(std::string_view s) { return IsDigit(s[0]) && IsDigit(s[1]) ? (s[0] - '0') * 10 + (s[1] - '0') : 0; }

int DaysInMonth(long long year, long long month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

long long MonthOf(std::string_view field) {
    if (field.empty()) return 0;
    if (IsDigit(field[0])) return ToNumber(field);
    const size_t at = std::string_view("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec,").find(field);
    return at == std::string_view::npos ? 1 : static_cast<long long>(at / 4 + 1);
}

// The zone field as minutes east of UTC; false when it names an impossible offset.
bool ZoneOffsetMinutes(std::string_view field, int& minutes) {
    minutes = 0;
    if (field == "GMT") return true;
    field = TrimBlanks(field);
    if (field.size() != 5) return true;
    const int hours = DigitPair(field.substr(1, 2)), mins = DigitPair(field.substr(3, 2));
    if (hours >= 24 || mins >= 60) return false;
    minutes = (field[0] == '-' ? -1 : 1) * (hours * 60 + mins);
    return true;
}

}  // namespace

std::string CanonicalHeaderLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + 1);
    const size_t colon = line.find(':');
    size_t valueStart = 0;
    if (colon != std::string_view::npos) {
        for (size_t i = 0; i <= colon; ++i) {
            const char c = line[i];
            const bool keepIdUpper = c == 'D' && i + 1 == colon && i >= 2 && line[i - 2] == '-' && AsciiUpperChar(line[i - 1]) == 'I';
            if (keepIdUpper)
                out += c;
            else if (i == 0 || line[i - 1] == '-')
                out += AsciiUpperChar(c);
            else
                out += AsciiLowerChar(c);
        }
        out += ' ';
        valueStart = colon + 1;
    }
    // The value: blank runs outside double quotes become one blank, quoted text is kept as it
    // stands, and the ends are trimmed.
    const size_t valueAt = out.size();
    size_t i = valueStart;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '"') {
            const size_t close = line.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? line.size() : close + 1;
            out.append(line, i, end - i);
            i = end;
        } else if (c == ' ') {
            if (out.size() > valueAt && out.back() != ' ') out += ' ';
            ++i;
        } else {
            size_t end = i + 1;
            while (end < line.size() && line[end] != ' ' && line[end] != '"') ++end;
            out.append(line, i, end - i);
            i = end;
        }
    }
    while (out.size() > valueAt && out.back() == ' ') out.pop_back();
    return out;
}

const std::string* FindHeaderLine(const std::vector<std::string>& lines, std::string_view label) {
    for (const std::string& line : lines)
        if (SameTextPrefix(line, label) && line.size() > label.size() && line[label.size()] == ':') return &line;
    return nullptr;
}

std::string HeaderValue(const std::vector<std::string>& lines, std::string_view label) {
    const std::string* line = FindHeaderLine(lines, label);
    if (!line) return {};
    const std::string_view s = *line;
    bool quoted = false;
    size_t start = std::string_view::npos, end = s.size();
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && start == std::string_view::npos && c == ':') {
            start = i + 1;
        } else if (!quoted && start != std::string_view::npos && c == ';') {
            end = i;
            break;
        }
    }
    if (start == std::string_view::npos) return {};
    std::string_view v = TrimBlanks(s.substr(start, end - start));
    if (!v.empty() && v.front() == '"' && v.back() == '"') v = v.size() >= 2 ? v.substr(1, v.size() - 2) : std::string_view();
    return UnquoteLong(v);
}

std::string HeaderParam(const std::vector<std::string>& lines, std::string_view label, std::string_view name) {
    const std::string* line = FindHeaderLine(lines, label);
    if (!line) return {};
    std::string s(TrimBlanks(*line));
    if (s.empty() || s.back() != ';') s += ';';
    // Outside quotes: the first ":" opens the parameters, each ";" starts one, and its name
    // runs to the "="; quote characters belong to the raw value.
    bool quoted = false, inParams = false, inName = false, inValue = false;
    size_t nameStart = 0, valueStart = 0;
    std::string_view paramName;
    const std::string_view text = s;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (!inParams) {
            inParams = c == ':';
        } else if (c == ';') {
            if (inValue && SameText(TrimBlanks(paramName), name))
                return UnquoteLong(TrimBlanks(text.substr(valueStart, i - valueStart)));
            inName = true;
            inValue = false;
            nameStart = i + 1;
        } else if (c == '=' && inName) {
            paramName = text.substr(nameStart, i - nameStart);
            inName = false;
            inValue = true;
            valueStart = i + 1;
        }
    }
    return {};
}

std::string DecodeHeaderWords(std::string_view text) {
    // The text is decoded in place: every decoded word is shorter than the word it replaces, so
    // its bytes are written over the end of that word and scanned again, as a new word may begin
    // inside them (or with an "=" just before them). Everything before the first "=?" is final.
    std::string work(TrimBlanks(text));
    std::string out;
    out.reserve(work.size());
    size_t head = 0;
    std::string decoded;
    for (;;) {
        const size_t p = work.find("=?", head);
        if (p == std::string::npos) break;
        const size_t q = work.find('?', p + 2);
        if (q == std::string::npos) break;
        size_t e = work.find("?=", q + 1);
        if (e == std::string::npos) break;
        const size_t next = work.find('?', e + 1);
        if (next != std::string::npos && next + 1 < work.size() && work[next + 1] == '=') e = next;
        decoded.clear();
        if (!DecodeWordPiece(std::string_view(work).substr(q + 1, e - q - 1), decoded)) break;
        const size_t wordEnd = e + 2;
        if (decoded.size() > wordEnd - p) break;  // cannot happen: no decoder makes text longer
        out.append(work, head, p - head);
        head = wordEnd - decoded.size();
        std::memcpy(work.data() + head, decoded.data(), decoded.size());
        if (!out.empty() && out.back() == '=' && head > 0) {
            out.pop_back();
            work[--head] = '=';
        }
    }
    out.append(work, head, std::string::npos);
    return out;
}

std::string SenderName(std::string_view fromValue) {
    std::string name;
    bool quoted = false;
    for (char c : fromValue) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == ',' || c == ';')) return {};  // a bare address: no name
        if (!quoted && c == '<') return DecodeHeaderWords(TrimBlanks(name));
        name += c;
    }
    return {};
}

std::string SenderAddress(std::string_view fromValue) {
    std::string address;
    bool quoted = false;
    for (char c : fromValue) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (c == ',' || c == ';' || c == '>') break;
        if (c == '<')
            address.clear();
        else if (c != ' ')
            address += c;
    }
    return std::string(TrimBlanks(address));
}

void ParseAddressList(std::string_view value, std::vector<std::string>& names, std::vector<std::string>& addresses) {
    names.clear();
    addresses.clear();
    value = TrimBlanks(value);
    std::string name, address;
    bool quoted = false, inAddress = false;
    const auto endEntry = [&] {
        const std::string_view n = TrimBlanks(name), a = TrimBlanks(inAddress ? std::string_view(address) : n);
        // An empty entry (",," or a trailing ",") is no recipient.
        if (!n.empty() || !a.empty()) {
            names.push_back(inAddress ? DecodeHeaderWords(n) : std::string());
            addresses.emplace_back(a);
        }
        name.clear();
        address.clear();
        inAddress = false;
    };
    for (char c : value) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == ',' || c == ';')) {
            endEntry();
        } else if (!inAddress) {
            if (quoted || (c != '<' && c != '>'))
                name += c;
            else if (c == '<')
                inAddress = true;
        } else if (!quoted && c != ' ' && c != '<' && c != '>') {
            address += c;
        }
    }
    if (!value.empty()) endEntry();
}

TDateTime ParseMessageDate(std::string_view text) {
    if (text.empty()) return 0;
    // Fields 1 to 7: day, month, year, hour, minute, second, zone. Each blank, "/" or ":" moves
    // to the next field; a leading weekday is field 0. A blank after the minute goes straight to
    // the zone, so a time without seconds still finds it.
    // Field numbers only grow, so each field is one contiguous run of the text.
    std::string_view fields[8];
    int field = IsDigit(text[0]) ? 1 : 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '/' || c == ':') {
            field = c == ' ' && field == 5 ? 7 : std::min(field + 1, 8);
        } else if (field <= 7) {
            if (fields[field].empty()) fields[field] = text.substr(i, 0);
            fields[field] = std::string_view(fields[field].data(), fields[field].size() + 1);
        }
    }

    const long long day = ToNumber(fields[1]), month = MonthOf(fields[2]);
    long long year = ToNumber(fields[3]);
    if (year < 100) year += year < 50 ? 2000 : 1900;
    if (year == 0 || month == 0 || day == 0) return 0;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return 0;
    int zone = 0;
    if (!ZoneOffsetMinutes(fields[7], zone)) return 0;

    const TDateTime date = DateTimeUtils::EncodeDateTime({static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)});
    const double utc = date + ToNumber(fields[4]) / 24.0 + ToNumber(fields[5]) / 1440.0 + ToNumber(fields[6]) / 86400.0 - zone / 1440.0;
    // The local offset is the one in force at that moment, so a winter message read in summer
    // still shows its winter time.
    constexpr double UnixEpoch = 25569.0;  // 1970-01-01 as a date-time
    const double seconds = std::clamp((utc - UnixEpoch) * 86400.0, -1.0e14, 1.0e14);
    const int local = DateTimeUtils::LocalOffsetMinutes(static_cast<std::time_t>(std::llround(seconds)));
    return utc + local / 1440.0;
}

}  // namespace MailHeaders
