#include "dropimport/RVHTMLCheck.h"

#include "platform/Strings.h"

#include <vector>

namespace RVHTMLCheck {

namespace {

bool IsLeftAside(const std::string& name) {
    return name == "BR" || name == "IMG" || name == "HR" || name == "HEAD" || name == "BODY" || name == "HTML";
}

}  // namespace

std::string FirstFault(std::string_view html) {
    std::vector<std::string> open;
    size_t i = 0;
    while ((i = html.find('<', i)) != std::string_view::npos) {
        if (html.compare(i, 4, "<!--") == 0) {  // the style sheet's comment
            const size_t end = html.find("-->", i + 4);
            if (end == std::string_view::npos) return "comment left open at " + std::to_string(i);
            i = end + 3;
            continue;
        }
        const size_t end = html.find('>', i);
        if (end == std::string_view::npos) return "tag cut off at " + std::to_string(i);
        const bool closing = i + 1 < html.size() && html[i + 1] == '/';
        const size_t nameStart = i + (closing ? 2 : 1);
        size_t nameEnd = nameStart;
        while (nameEnd < end && html[nameEnd] != ' ' && html[nameEnd] != '\r' && html[nameEnd] != '\n') ++nameEnd;
        const std::string name = Strings::AsciiUpper(html.substr(nameStart, nameEnd - nameStart));
        if (name.empty()) return "tag without a name at " + std::to_string(i);
        if (!IsLeftAside(name)) {
            if (!closing) {
                open.push_back(name);
            } else if (open.empty()) {
                return "</" + name + "> at " + std::to_string(i) + " closes nothing";
            } else if (open.back() != name) {
                return "</" + name + "> at " + std::to_string(i) + " closes <" + open.back() + ">";
            } else {
                open.pop_back();
            }
        }
        i = end + 1;
    }
    return open.empty() ? std::string() : "<" + open.back() + "> left open";
}

}  // namespace RVHTMLCheck
