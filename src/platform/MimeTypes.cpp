#include "platform/MimeTypes.h"

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

#include <map>
#include <mutex>

namespace MimeTypes {

namespace {

// /etc/mime.types read once: "type ext ext ..." per line, "#" starts a comment.
const std::map<std::string, std::string>& SystemTable() {
    static std::map<std::string, std::string> table;
    static std::once_flag once;
    std::call_once(once, [] {
        std::string bytes;
        if (!FileSystem::TryReadFile("/etc/mime.types", bytes, 8u << 20)) return;
        for (const std::string& raw : Strings::SplitLines(bytes)) {
            const std::string line = raw.substr(0, raw.find('#'));
            std::vector<std::string> words;
            size_t s = 0;
            while (s < line.size()) {
                while (s < line.size() && (line[s] == ' ' || line[s] == '\t')) ++s;
                size_t e = s;
                while (e < line.size() && line[e] != ' ' && line[e] != '\t') ++e;
                if (e > s) words.push_back(line.substr(s, e - s));
                s = e;
            }
            for (size_t i = 1; i < words.size(); ++i) table.emplace(Strings::AsciiLower(words[i]), words[0]);
        }
    });
    return table;
}

}  // namespace

std::string MimeTypeForExtension(const std::string& extension) {
    std::string ext = extension;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (ext.empty()) return "application/octet-stream";
    TRegistry reg(THive::ClassesRoot);
    if (reg.OpenKeyReadOnly("." + ext) && reg.ValueExists("Content Type")) {
        try {
            const std::string type = reg.ReadString("Content Type");
            if (!type.empty()) return type;
        } catch (...) {
            // a value of another type is no answer; fall through to the system table
        }
    }
    const auto& table = SystemTable();
    auto it = table.find(Strings::AsciiLower(ext));
    return it == table.end() ? std::string("application/octet-stream") : it->second;
}

}  // namespace MimeTypes
