#include "search/SearchQuery.h"

#include "platform/Strings.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace SearchQuery {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The tokenizer keeps letters, digits and any non-ASCII character; the rest separates words.
bool IsWordByte(char c) { return static_cast<unsigned char>(c) >= 0x80 || std::isalnum(static_cast<unsigned char>(c)); }

bool HasWordCharacter(std::string_view text) { return std::any_of(text.begin(), text.end(), IsWordByte); }

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
    std::string_view Text;  // the words as typed, without quotes, field prefix or stars
    bool Excluded = false;
    bool Prefix = false;
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
    term.Text = text;
    term.Prefix = prefix;
    return term;
}

// The terms of the query that hold a word, in order.
std::vector<TTerm> Terms(std::string_view query) {
    std::vector<TTerm> terms;
    for (size_t p = 0; p < query.size();) {
        if (IsSpace(query[p])) {
            ++p;
            continue;
        }
        TTerm term = NextTerm(query, p);
        if (!term.Expression.empty()) terms.push_back(std::move(term));
    }
    return terms;
}

}  // namespace

std::string ToMatchExpression(std::string_view query) {
    std::vector<std::string> required, excluded;
    for (TTerm& term : Terms(query)) (term.Excluded ? excluded : required).push_back(std::move(term.Expression));
    if (required.empty()) return {};
    std::string expression = Joined(required, " AND ");
    if (!excluded.empty()) expression = "(" + expression + ") NOT (" + Joined(excluded, " OR ") + ")";
    return expression;
}

std::vector<std::string> MatchedWords(std::string_view query) {
    std::vector<std::string> words;
    if (ToMatchExpression(query).empty()) return words;
    for (const TTerm& term : Terms(query)) {
        if (term.Excluded) continue;
        std::string_view text = term.Text;
        while (!text.empty()) {
            size_t start = 0;
            while (start < text.size() && !IsWordByte(text[start])) ++start;
            size_t end = start;
            while (end < text.size() && IsWordByte(text[end])) ++end;
            if (end > start) {
                std::string word(text.substr(start, end - start));
                if (term.Prefix && end == text.size()) word += '*';
                if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(std::move(word));
            }
            text.remove_prefix(end);
        }
    }
    return words;
}

}  // namespace SearchQuery
