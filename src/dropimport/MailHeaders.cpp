#include "dropimport/MailHeaders.h"

#include "dropimport/MailCodecs.h"
#include "platform/Charset.h"
#include "platform/Strings.h"

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

// An encoded word "=?charset?X?text?=" at text[p]: its charset, letter and text, and the
// position after it. The text runs to the first "?=" after "X?", so it may begin with "=".
struct TEncodedWord {
    std::string_view Charset;
    char Letter = 0;
    std::string_view Text;
    size_t End = 0;
};

bool MatchEncodedWord(std::string_view text, size_t p, TEncodedWord& word) {
    if (text.compare(p, 2, "=?") != 0) return false;
    const size_t q = text.find('?', p + 2);
    if (q == std::string_view::npos || q == p + 2 || q + 2 >= text.size() || text[q + 2] != '?') return false;
    const char letter = AsciiUpperChar(text[q + 1]);
    if (letter != 'B' && letter != 'Q' && letter != 'U') return false;
    const size_t e = text.find("?=", q + 3);
    if (e == std::string_view::npos) return false;
    const std::string_view charset = text.substr(p + 2, q - p - 2);
    if (charset.find_first_of(" \t") != std::string_view::npos) return false;
    word.Charset = charset;
    word.Letter = letter;
    word.Text = text.substr(q + 3, e - q - 3);
    word.End = e + 2;
    return true;
}

// Appends the bytes of an encoded word's text; false for a uuencoded text with a bad character.
bool DecodeWordText(const TEncodedWord& word, std::string& out) {
    if (word.Letter == 'B') {
        const size_t start = out.size();
        MailCodecs::DecodeBase64Line(word.Text, out);
        out.resize(std::min(out.size(), out.find('\0', start)));
        return true;
    }
    if (word.Letter == 'U') {
        std::string bytes;
        if (!MailCodecs::TryUUDecodeLine(word.Text, bytes)) return false;
        out.append(bytes, 0, bytes.find('\0'));
        return true;
    }
    std::string q(word.Text);
    std::replace(q.begin(), q.end(), '_', ' ');
    out += MailCodecs::DecodeQuotedPrintable(q, true);
    return true;
}

bool IsLinearBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

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

// The zone names of old mail: universal time, the North American zones and the military
// letters, as minutes east of UTC.
bool NamedZone(std::string_view name, int& minutes) {
    struct TZone {
        const char* Name;
        int Hours;
    };
    static const TZone zones[] = {{"UT", 0},   {"UTC", 0},  {"GMT", 0},  {"Z", 0},    {"EST", -5}, {"EDT", -4},
                                  {"CST", -6}, {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    for (const TZone& zone : zones)
        if (SameText(name, zone.Name)) {
            minutes = zone.Hours * 60;
            return true;
        }
    if (name.size() != 1) return false;
    const char c = AsciiUpperChar(name[0]);
    if (c >= 'A' && c <= 'I') minutes = -(c - 'A' + 1) * 60;  // A to I: -1 to -9 hours
    else if (c >= 'K' && c <= 'M') minutes = -(c - 'K' + 10) * 60;  // K to M: -10 to -12
    else if (c >= 'N' && c <= 'Y') minutes = (c - 'N' + 1) * 60;  // N to Y: +1 to +12
    else return false;
    return true;
}

// The zone field as minutes east of UTC; false when it names an impossible offset.
bool ZoneOffsetMinutes(std::string_view field, int& minutes) {
    minutes = 0;
    field = TrimBlanks(field);
    if (NamedZone(field, minutes)) return true;
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
        // Blanks before the colon ("Subject  :", an old form) are no part of the label.
        size_t labelEnd = colon;
        while (labelEnd > 0 && (line[labelEnd - 1] == ' ' || line[labelEnd - 1] == '\t')) --labelEnd;
        for (size_t i = 0; i < labelEnd; ++i) {
            const char c = line[i];
            const bool keepIdUpper = c == 'D' && i + 1 == labelEnd && i >= 2 && line[i - 2] == '-' && AsciiUpperChar(line[i - 1]) == 'I';
            if (keepIdUpper)
                out += c;
            else if (i == 0 || line[i - 1] == '-')
                out += AsciiUpperChar(c);
            else
                out += AsciiLowerChar(c);
        }
        out += ": ";
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
    const bool parameterised = SameText(label, "Content-Type") || SameText(label, "Content-Disposition");
    bool quoted = false;
    size_t start = std::string_view::npos, end = s.size();
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && start == std::string_view::npos && c == ':') {
            start = i + 1;
        } else if (!quoted && start != std::string_view::npos && c == ';' && parameterised) {
            end = i;
            break;
        }
    }
    if (start == std::string_view::npos) return {};
    std::string_view v = TrimBlanks(s.substr(start, end - start));
    if (!v.empty() && v.front() == '"' && v.back() == '"') v = v.size() >= 2 ? v.substr(1, v.size() - 2) : std::string_view();
    return UnquoteLong(v);
}

namespace {

struct TParam {
    std::string_view Name;   // trimmed
    std::string_view Value;  // trimmed, quotes still on
};

// Every "name=value" parameter of a header line. Outside double quotes, the first ":" opens the
// parameters, each ";" starts one and its name runs to the "="; quote characters belong to the
// raw value.
std::vector<TParam> SplitParams(std::string_view text) {
    std::vector<TParam> params;
    bool quoted = false, inParams = false, inName = false, inValue = false;
    size_t nameStart = 0, valueStart = 0;
    std::string_view paramName;
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
            if (inValue) params.push_back({TrimBlanks(paramName), TrimBlanks(text.substr(valueStart, i - valueStart))});
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
    return params;
}

// A parameter in the extended form: "name*=charset'language'text" with %XX escapes, or split
// over "name*0", "name*1*"..., in order of their numbers. Empty when there is none.
bool ExtendedParam(const std::vector<TParam>& params, std::string_view name, std::string& value) {
    std::string bytes, charset;
    bool found = false;
    for (int section = -1; section < 1000; ++section) {
        const std::string key = std::string(name) + (section < 0 ? "" : "*" + std::to_string(section));
        const TParam* hit = nullptr;
        bool encoded = false;
        for (const TParam& p : params) {
            if (SameText(p.Name, key + "*")) {
                hit = &p;
                encoded = true;
                break;
            }
            if (section >= 0 && SameText(p.Name, key)) hit = &p;
        }
        if (!hit) {
            if (section < 0) continue;  // no single extended form: look for sections
            break;
        }
        std::string_view v = hit->Value;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (encoded && !found) {  // the first encoded piece names the charset
            const size_t first = v.find('\''), second = first == std::string_view::npos ? first : v.find('\'', first + 1);
            if (second != std::string_view::npos) {
                charset = std::string(v.substr(0, first));
                v = v.substr(second + 1);
            }
        }
        if (encoded)
            bytes += Strings::PercentDecode(v);
        else
            bytes.append(v);
        found = true;
        if (section < 0) break;  // "name*=" stands alone
    }
    if (found) value = Charset::ToAnsi(bytes, charset);
    return found;
}

}  // namespace

std::string HeaderParam(const std::vector<std::string>& lines, std::string_view label, std::string_view name) {
    const std::string* line = FindHeaderLine(lines, label);
    if (!line) return {};
    std::string s(TrimBlanks(*line));
    if (s.empty() || s.back() != ';') s += ';';
    const std::vector<TParam> params = SplitParams(s);
    std::string extended;
    if (ExtendedParam(params, name, extended)) return extended;
    for (const TParam& p : params)
        if (SameText(p.Name, name)) return UnquoteLong(p.Value);
    return {};
}

std::string DecodeHeaderWords(std::string_view text) {
    // The text alternates between plain runs and encoded words. Blanks between two encoded words
    // go; the bytes of adjacent words in one charset are joined before they are converted, so a
    // character split over two words comes out whole. Plain runs are undeclared text.
    text = TrimBlanks(text);
    std::string out, bytes, charset;
    const auto flushWords = [&] {
        if (bytes.empty()) return;
        out += Charset::ToAnsi(bytes, charset);
        bytes.clear();
    };
    size_t plainStart = 0, search = 0;
    bool afterWord = false;
    TEncodedWord word;
    for (;;) {
        const size_t p = text.find("=?", search);
        if (p == std::string_view::npos) break;
        if (!MatchEncodedWord(text, p, word)) {
            search = p + 1;
            continue;
        }
        const std::string_view between = text.substr(plainStart, p - plainStart);
        std::string decoded;
        if (!DecodeWordText(word, decoded)) {
            search = p + 1;
            continue;
        }
        if (!(afterWord && IsLinearBlank(between))) {
            flushWords();
            out += Charset::UndeclaredToAnsi(between);
        }
        if (!bytes.empty() && !SameText(charset, word.Charset)) flushWords();
        charset.assign(word.Charset);
        bytes += decoded;
        afterWord = true;
        plainStart = search = word.End;
    }
    flushWords();
    out += Charset::UndeclaredToAnsi(text.substr(plainStart));
    return out;
}

namespace {

// One entry of an address list while it is read.
struct TAddressEntry {
    std::string Words;        // display words: atoms and quoted strings, one blank where blanks stood
    std::string Comment;      // the first comment
    std::string Angle;        // the address between "<" and ">"
    bool HasAngle = false;
    bool AngleClosed = false;
    bool Blank = false;       // blanks since the last word
    std::vector<std::string> Pieces;  // the words without angle brackets, split at blanks
};

class TAddressReader {
public:
    TAddressReader(std::vector<std::string>& names, std::vector<std::string>& addresses) : FNames(names), FAddresses(addresses) {}
    void Read(std::string_view value);

private:
    void AddWord(std::string_view word);
    void EndEntry();
    void Emit(std::string name, std::string_view address);
    size_t ReadQuoted(std::string_view v, size_t i, std::string& out) const;
    size_t ReadComment(std::string_view v, size_t i, std::string& out) const;
    size_t ReadAngle(std::string_view v, size_t i);

    std::vector<std::string>& FNames;
    std::vector<std::string>& FAddresses;
    TAddressEntry FEntry;
    bool FInGroup = false;
};

// From the opening quote; returns the position after the closing one. Backslash escapes a
// character.
size_t TAddressReader::ReadQuoted(std::string_view v, size_t i, std::string& out) const {
    for (++i; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size())
            out += v[++i];
        else if (v[i] == '"')
            return i + 1;
        else
            out += v[i];
    }
    return i;
}

// From the opening parenthesis; comments nest. Returns the position after the closing one.
size_t TAddressReader::ReadComment(std::string_view v, size_t i, std::string& out) const {
    int depth = 0;
    for (; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '\\' && i + 1 < v.size()) {
            out += v[++i];
        } else if (c == '(') {
            if (depth++ > 0) out += c;
        } else if (c == ')') {
            if (--depth == 0) return i + 1;
            out += c;
        } else {
            out += c;
        }
    }
    return i;
}

// From "<": the address without blanks and comments, and without a source route ("@a,@b:").
size_t TAddressReader::ReadAngle(std::string_view v, size_t i) {
    std::string address;
    for (++i; i < v.size() && v[i] != '>';) {
        const char c = v[i];
        if (c == '"') {
            std::string quoted;
            i = ReadQuoted(v, i, quoted);
            address += quoted;
        } else if (c == '(') {
            std::string comment;
            i = ReadComment(v, i, comment);
        } else {
            if (c != ' ' && c != '\t') address += c;
            ++i;
        }
    }
    const size_t route = address.rfind(':');
    if (route != std::string::npos && address.starts_with('@')) address.erase(0, route + 1);
    FEntry.Angle = address;
    FEntry.HasAngle = true;
    FEntry.AngleClosed = true;
    return i < v.size() ? i + 1 : i;
}

void TAddressReader::AddWord(std::string_view word) {
    if (FEntry.AngleClosed) EndEntry();  // "A <a@x> B <b@x>": two entries without a comma
    if (!FEntry.Words.empty() && FEntry.Blank) FEntry.Words += ' ';
    FEntry.Words.append(word);
    if (FEntry.Pieces.empty() || FEntry.Blank) FEntry.Pieces.emplace_back();
    FEntry.Pieces.back().append(word);
    FEntry.Blank = false;
}

void TAddressReader::Emit(std::string name, std::string_view address) {
    FNames.push_back(std::move(name));
    FAddresses.push_back(Charset::UndeclaredToAnsi(address));
}

void TAddressReader::EndEntry() {
    TAddressEntry entry = std::move(FEntry);
    FEntry = TAddressEntry();
    const std::string comment = DecodeHeaderWords(entry.Comment);
    if (entry.HasAngle) {
        std::string name = DecodeHeaderWords(entry.Words);
        Emit(name.empty() ? comment : std::move(name), entry.Angle);
        return;
    }
    if (entry.Pieces.empty()) return;  // an empty entry (",," or a trailing ",") is no recipient
    // Bare addresses separated only by blanks are as many entries.
    const bool allAddresses = std::all_of(entry.Pieces.begin(), entry.Pieces.end(),
                                          [](const std::string& piece) { return piece.find('@') != std::string::npos; });
    if (entry.Pieces.size() > 1 && allAddresses) {
        for (const std::string& piece : entry.Pieces) Emit({}, piece);
        return;
    }
    std::string address;
    for (const std::string& piece : entry.Pieces) address += piece;
    Emit(comment, address);
}

void TAddressReader::Read(std::string_view v) {
    size_t i = 0;
    TEncodedWord word;
    while (i < v.size()) {
        const char c = v[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            FEntry.Blank = true;
            ++i;
        } else if (c == '"') {
            std::string quoted;
            i = ReadQuoted(v, i, quoted);
            AddWord(quoted);
        } else if (c == '(') {
            std::string comment;
            i = ReadComment(v, i, comment);
            if (FEntry.Comment.empty()) FEntry.Comment = comment;
            FEntry.Blank = true;
        } else if (c == '<') {
            if (FEntry.AngleClosed) EndEntry();
            i = ReadAngle(v, i);
        } else if (c == ',') {
            EndEntry();
            ++i;
        } else if (c == ';') {
            EndEntry();
            FInGroup = false;
            ++i;
        } else if (c == ':' && !FInGroup && !FEntry.HasAngle) {
            FEntry = TAddressEntry();  // "Group name:" opens a group; its name is no entry
            FInGroup = true;
            ++i;
        } else if (c == '>') {
            ++i;
        } else {
            // An atom: up to a blank or a special; an encoded word is taken whole.
            size_t end = i;
            while (end < v.size()) {
                const char d = v[end];
                if (d == '=' && MatchEncodedWord(v, end, word)) {
                    end = word.End;
                    continue;
                }
                if (d == ' ' || d == '\t' || d == '\r' || d == '\n' || d == '"' || d == '(' || d == '<' || d == '>' ||
                    d == ',' || d == ';' || (d == ':' && !FInGroup))
                    break;
                ++end;
            }
            if (end == i) ++end;  // a lone special that starts nothing
            AddWord(v.substr(i, end - i));
            i = end;
        }
    }
    EndEntry();
}

}  // namespace

std::string SenderName(std::string_view fromValue) {
    std::vector<std::string> names, addresses;
    ParseAddressList(fromValue, names, addresses);
    return names.empty() ? std::string() : names[0];
}

std::string SenderAddress(std::string_view fromValue) {
    std::vector<std::string> names, addresses;
    ParseAddressList(fromValue, names, addresses);
    return addresses.empty() ? std::string() : addresses[0];
}

void ParseAddressList(std::string_view value, std::vector<std::string>& names, std::vector<std::string>& addresses) {
    names.clear();
    addresses.clear();
    TAddressReader(names, addresses).Read(value);
}

namespace {

// A date without its comments ("09(comment):55") and without blanks around the colons of the
// time ("09 :  55"), which the old mail syntax allows; other blank runs become one blank.
std::string PlainDateText(std::string_view text) {
    std::string out;
    int depth = 0;
    for (char c : text) {
        if (c == '(') ++depth;
        if (depth > 0) {
            if (c == ')') --depth;
            continue;
        }
        if (c == ' ' && (out.empty() || out.back() == ' ' || out.back() == ':')) continue;
        if (c == ':' && !out.empty() && out.back() == ' ') out.pop_back();
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

TDateTime ParseMessageDate(std::string_view original) {
    const std::string plain = original.find_first_of("(:") == std::string_view::npos ? std::string(original) : PlainDateText(original);
    const std::string_view text = plain;
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
