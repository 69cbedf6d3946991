#include "search/SearchQuery.h"

#include "platform/Strings.h"

#include <cctype>
#include <vector>

namespace SearchQuery {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// A term holds something the tokenizer keeps: a letter, a digit or any non-ASCII character.
bool HasWordCharacter(std::string_view text) {
    for (const unsigned char c : text)
        if (c >= 0x80 || std::isalnum(c)) return true;
    return false;
}

// The column filter of a field prefix ("title:"), or "" when the text starts with none.
std::string_view FieldFilter(std::string_view text, size_t& prefixLength) {
    struct TField { std::string_view Prefix, Filter; };
    static const TField fields[] = {{"title:", "{title otitle} : "}, {"url:", "url : "}, {"comments:", "comments : "}};
    for (const TField& f : fields) {
        if (text.size() >= f.Prefix.size() && Strings::AsciiSameText(text.substr(0, f.Prefix.size()), f.Prefix)) {
            prefixLength = f.Prefix.size();
            return f.Filter;
        }
    }
    prefixLength = 0;
    return {};
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string Joined(const std::vector<std::string>& terms, std::string_view separator) {
    std::string out;
    for (const std::string& t : terms) {
        if (!out.empty()) out += separator;
        out += t;
    }
    return out;
}

struct TTerm {
    std::string Expression;
    bool Excluded = false;
};

// Reads one term at p (after white space) and moves p past it.
TTerm NextTerm(std::string_view query, size_t& p) {
    TTerm term;
    if (query[p] == '-' && p + 1 < query.size() && !IsSpace(query[p + 1])) {
        term.Excluded = true;
        ++p;
    }
    size_t prefixLength = 0;
    const std::string_view filter = FieldFilter(query.substr(p), prefixLength);
    p += prefixLength;
    std::string_view text;
    bool prefix = false;
    if (p < query.size() && query[p] == '"') {
        const size_t close = query.find('"', p + 1);
        const size_t end = close == std::string_view::npos ? query.size() : close;
        text = query.substr(p + 1, end - p - 1);
        p = std::min(query.size(), end + 1);
    } else {
        const size_t start = p;
        while (p < query.size() && !IsSpace(query[p])) ++p;
        text = query.substr(start, p - start);
        while (!text.empty() && text.back() == '*') {
            text.remove_suffix(1);
            prefix = true;
        }
    }
    if (HasWordCharacter(text)) term.Expression = std::string(filter) + Quoted(text) + (prefix ? " *" : "");
    return term;
}

}  // namespace

std::string ToMatchExpression(std::string_view query) {
    std::vector<std::string> required, excluded;
    for (size_t p = 0; p < query.size();) {
        if (IsSpace(query[p])) {
            ++p;
            continue;
        }
        TTerm term = NextTerm(query, p);
        if (!term.Expression.empty()) (term.Excluded ? excluded : required).push_back(std::move(term.Expression));
    }
    if (required.empty()) return {};
    std::string expression = Joined(required, " AND ");
    if (!excluded.empty()) expression = "(" + expression + ") NOT (" + Joined(excluded, " OR ") + ")";
    return expression;
}

}  // namespace SearchQuery
