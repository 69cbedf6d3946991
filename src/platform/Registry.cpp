#include "platform/Registry.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::string Fold(std::string_view s) { return Strings::AsciiUpper(s); }

std::string Hex2(unsigned char b) {
    static const char digits[] = "0123456789abcdef";
    return {digits[b >> 4], digits[b & 15]};
}

std::string QuoteString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\0': out += "\\0"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool UnquoteString(std::string_view text, size_t& pos, std::string& out) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size()) {
            c = text[++pos];
            if (c == 'n') c = '\n';
            else if (c == 'r') c = '\r';
            else if (c == '0') c = '\0';
        }
        out += c;
    }
    return false;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
    out.clear();
    int nibbles = 0;
    unsigned value = 0;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ',' || c == ' ' || c == '\t') {
            if (nibbles) out += static_cast<char>(value);
            nibbles = 0;
            value = 0;
            continue;
        } else return false;
        if (++nibbles > 2) return false;
        value = value * 16 + static_cast<unsigned>(v);
    }
    if (nibbles) out += static_cast<char>(value);
    return true;
}

bool ParseValue(std::string_view text, TRegValue& value) {
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        value.Type = TRegDataType::String;
        return UnquoteString(text, pos, value.Data);
    }
    if (Strings::StartsWith(text, "dword:")) {
        const std::string digits(text.substr(6));
        if (digits.empty() || digits.size() > 8) return false;
        char* end = nullptr;
        const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
        if (*end) return false;
        value.Type = TRegDataType::Integer;
        value.DWord = static_cast<std::uint32_t>(v);
        return true;
    }
    if (Strings::StartsWith(text, "hex(2):")) {
        value.Type = TRegDataType::ExpandString;
        if (!ParseHexBytes(text.substr(7), value.Data)) return false;
        while (!value.Data.empty() && value.Data.back() == '\0') value.Data.pop_back();
        return true;
    }
    if (Strings::StartsWith(text, "hex:")) {
        value.Type = TRegDataType::Binary;
        return ParseHexBytes(text.substr(4), value.Data);
    }
    return false;
}

std::string HexList(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ',';
        out += Hex2(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

std::string SerializeValue(const TRegValue& v) {
    switch (v.Type) {
        case TRegDataType::String: return QuoteString(v.Data);
        case TRegDataType::Integer: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.DWord);
            return buf;
        }
        case TRegDataType::ExpandString: return "hex(2):" + HexList(v.Data + std::string(1, '\0'));
        case TRegDataType::Binary: return "hex:" + HexList(v.Data);
    }
    return "\"\"";
}

// Key names as the user typed them may carry stray separators; "A\\B\" is "A\B".
std::string CleanKey(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool InHive(const std::string& path) {
    const std::string hive = Strings::AsciiUpper(path.substr(0, path.find('\\')));
    return hive == "HKEY_CURRENT_USER" || hive == "HKEY_CLASSES_ROOT" || hive == "HKEY_LOCAL_MACHINE";
}

class TFileLock {
public:
    explicit TFileLock(const std::string& fileName) {
        FFd = ::open((fileName + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FFd >= 0) ::flock(FFd, LOCK_EX);
    }
    ~TFileLock() {
        if (FFd >= 0) {
            ::flock(FFd, LOCK_UN);
            ::close(FFd);
        }
    }

private:
    int FFd = -1;
};

}  // namespace

void TRegistryData::Parse(std::string_view text) {
    FKeys.clear();
    std::vector<std::string> lines = Strings::SplitLines(text);
    TKey* current = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = Strings::Trim(lines[i]);
        // hex lists may continue on the next line after a trailing backslash
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos && i + 1 < lines.size()) {
            line.pop_back();
            line += Strings::Trim(lines[++i]);
        }
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            current = nullptr;
            if (line.back() != ']') continue;
            std::string path = line.substr(1, line.size() - 2);
            const bool deletion = !path.empty() && path[0] == '-';
            path = CleanKey(deletion ? path.substr(1) : path);
            // Only keys below one of the hives exist; anything else could not be written back.
            if (!CanHold(path)) continue;
            if (deletion) DeleteKey(path);
            else current = &CreateKey(path);
            continue;
        }
        if (!current) continue;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            if (!UnquoteString(line, pos, name)) continue;
        } else {
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string valueText = line.substr(pos + 1);
        if (valueText == "-") {
            DeleteValue(*current, name);
            continue;
        }
        TRegValue value;
        if (ParseValue(valueText, value)) SetValue(*current, name, value);
    }
}

std::string TRegistryData::Serialize() const {
    std::string out = "REGEDIT4\n";
    for (const auto& [folded, key] : FKeys) {
        out += "\n[" + key.Path + "]\n";
        for (const auto& [name, value] : key.Values)
            out += (name.empty() ? std::string("@") : QuoteString(name)) + "=" + SerializeValue(value) + "\n";
    }
    return out;
}

TRegistryData::TKey* TRegistryData::FindKey(const std::string& path) {
    auto it = FKeys.find(Fold(path));
    return it == FKeys.end() ? nullptr : &it->second;
}

const TRegistryData::TKey* TRegistryData::FindKey(const std::string& path) const {
    auto it = FKeys.find(Fold(path));
    return it == FKeys.end() ? nullptr : &it->second;
}

bool TRegistryData::CanHold(const std::string& path) {
    return InHive(path) && static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) <= MaxKeyDepth;
}

TRegistryData::TKey& TRegistryData::CreateKey(const std::string& path) {
    // The missing parents are found from the key upwards, up to the first that exists, then
    // made from the top down: one loop, however deep the key.
    std::vector<size_t> missing;  // lengths of the missing parents' paths, deepest first
    for (size_t end = path.rfind('\\'); end != std::string::npos && end > 0 && !FindKey(path.substr(0, end));
         end = path.rfind('\\', end - 1))
        missing.push_back(end);
    for (auto end = missing.rbegin(); end != missing.rend(); ++end) {
        const std::string parent = path.substr(0, *end);
        FKeys.try_emplace(Fold(parent)).first->second.Path = parent;
    }
    auto [it, inserted] = FKeys.try_emplace(Fold(path));
    if (inserted) it->second.Path = path;
    return it->second;
}

bool TRegistryData::DeleteKey(const std::string& path) {
    const std::string folded = Fold(path);
    bool found = false;
    for (auto it = FKeys.begin(); it != FKeys.end();) {
        if (it->first == folded || Strings::StartsWith(it->first, folded + "\\")) {
            it = FKeys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

std::vector<std::string> TRegistryData::SubKeyNames(const std::string& path) const {
    std::vector<std::string> names;
    const std::string prefix = Fold(path) + "\\";
    for (const auto& [folded, key] : FKeys) {
        if (Strings::StartsWith(folded, prefix) && folded.find('\\', prefix.size()) == std::string::npos)
            names.push_back(key.Path.substr(prefix.size()));
    }
    return names;
}

const TRegValue* TRegistryData::FindValue(const TKey& key, std::string_view name) {
    for (const auto& [n, v] : key.Values)
        if (Strings::AsciiSameText(n, name)) return &v;
    return nullptr;
}

void TRegistryData::SetValue(TKey& key, const std::string& name, const TRegValue& value) {
    for (auto& [n, v] : key.Values) {
        if (Strings::AsciiSameText(n, name)) {
            v = value;
            return;
        }
    }
    key.Values.emplace_back(name, value);
}

bool TRegistryData::DeleteValue(TKey& key, std::string_view name) {
    for (auto it = key.Values.begin(); it != key.Values.end(); ++it) {
        if (Strings::AsciiSameText(it->first, name)) {
            key.Values.erase(it);
            return true;
        }
    }
    return false;
}

std::string HiveName(THive hive) {
    switch (hive) {
        case THive::CurrentUser: return "HKEY_CURRENT_USER";
        case THive::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case THive::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "HKEY_CURRENT_USER";
}

std::string DefaultRegistryFile() { return Folders::ConfigFolder() + "registry.reg"; }

TRegistry::TRegistry(THive root, std::string fileName) : FRoot(root), FFileName(std::move(fileName)) { Reload(); }

TRegistry::~TRegistry() {
    try {
        Flush();
    } catch (...) {
        // A destructor cannot report; CloseKey is the place to see the failure.
    }
}

bool TRegistry::Reload() {
    std::string bytes;
    if (!FileSystem::FileExists(FFileName)) {
        FData = TRegistryData();
        return true;
    }
    if (!FileSystem::TryReadFile(FFileName, bytes, 64u << 20)) return false;
    FData.Parse(bytes);
    for (const TChange& c : FPending) Apply(FData, c);
    return true;
}

std::string TRegistry::FullPath(const std::string& key) const {
    const std::string clean = CleanKey(key);
    return clean.empty() ? HiveName(FRoot) : HiveName(FRoot) + "\\" + clean;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    Flush();
    FCurrentKey.clear();
    if (!Reload()) return false;
    const std::string path = FullPath(key);
    if (!FData.FindKey(path)) {
        if (!canCreate || !TRegistryData::CanHold(path)) return false;
        TChange change{TChange::CreateKey, path, "", {}};
        Apply(FData, change);
        FPending.push_back(std::move(change));
    }
    FCurrentKey = path;
    return true;
}

void TRegistry::CloseKey() {
    FCurrentKey.clear();
    Flush();
}

bool TRegistry::KeyExists(const std::string& key) { return FData.FindKey(FullPath(key)) != nullptr; }

bool TRegistry::DeleteKey(const std::string& key) {
    const std::string path = FullPath(key);
    if (!FData.FindKey(path)) return false;
    TChange change{TChange::DeleteKey, path, "", {}};
    Apply(FData, change);
    FPending.push_back(std::move(change));
    Flush();
    return true;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    return FCurrentKey.empty() ? std::vector<std::string>() : FData.SubKeyNames(FCurrentKey);
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    if (const auto* key = FData.FindKey(FCurrentKey))
        for (const auto& [n, v] : key->Values) names.push_back(n);
    return names;
}

bool TRegistry::ValueExists(std::string_view name) const { return GetDataType(name).has_value(); }

std::optional<TRegDataType> TRegistry::GetDataType(std::string_view name) const {
    const auto* key = FData.FindKey(FCurrentKey);
    const TRegValue* value = key ? TRegistryData::FindValue(*key, name) : nullptr;
    if (!value) return std::nullopt;
    return value->Type;
}

const TRegValue& TRegistry::Get(std::string_view name) const {
    const auto* key = FData.FindKey(FCurrentKey);
    const TRegValue* value = key ? TRegistryData::FindValue(*key, name) : nullptr;
    if (!value) throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    return *value;
}

std::string TRegistry::ReadString(std::string_view name) const {
    if (!ValueExists(name)) return {};
    const TRegValue& v = Get(name);
    if (v.Type != TRegDataType::String && v.Type != TRegDataType::ExpandString)
        throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    return CodePage::IsUtf8() ? v.Data : CodePage::WideToAnsi(CodePage::Utf8ToUtf16(v.Data));
}

int TRegistry::ReadInteger(std::string_view name) const {
    const TRegValue& v = Get(name);
    if (v.Type != TRegDataType::Integer) throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    return static_cast<int>(v.DWord);
}

bool TRegistry::ReadBool(std::string_view name) const { return ReadInteger(name) != 0; }

std::string TRegistry::ReadBinaryData(std::string_view name) const {
    const TRegValue& v = Get(name);
    if (v.Type != TRegDataType::Binary) throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    return v.Data;
}

void TRegistry::Set(const std::string& name, const TRegValue& value) {
    if (FCurrentKey.empty()) throw ERegistryException("Failed to set data for '" + name + "'");
    TChange change{TChange::SetValue, FCurrentKey, name, value};
    Apply(FData, change);
    FPending.push_back(std::move(change));
}

static std::string ToFileText(const std::string& ansi) {
    return CodePage::IsUtf8() ? ansi : CodePage::Utf16ToUtf8(CodePage::AnsiToWide(ansi));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    Set(name, {TRegDataType::String, ToFileText(value), 0});
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    Set(name, {TRegDataType::ExpandString, ToFileText(value), 0});
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    Set(name, {TRegDataType::Integer, {}, static_cast<std::uint32_t>(value)});
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteBinaryData(const std::string& name, std::string_view bytes) {
    Set(name, {TRegDataType::Binary, std::string(bytes), 0});
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!ValueExists(name)) return false;
    TChange change{TChange::DeleteValue, FCurrentKey, name, {}};
    Apply(FData, change);
    FPending.push_back(std::move(change));
    return true;
}

void TRegistry::Apply(TRegistryData& data, const TChange& c) const {
    switch (c.Kind) {
        case TChange::CreateKey: data.CreateKey(c.Key); break;
        case TChange::SetValue: TRegistryData::SetValue(data.CreateKey(c.Key), c.Name, c.Value); break;
        case TChange::DeleteValue:
            if (auto* key = data.FindKey(c.Key)) TRegistryData::DeleteValue(*key, c.Name);
            break;
        case TChange::DeleteKey: data.DeleteKey(c.Key); break;
    }
}

void TRegistry::Flush() {
    if (FPending.empty()) return;
    const std::string folder = FileSystem::ExtractFilePath(FFileName);
    if (!folder.empty() && !FileSystem::ForceDirectories(folder))
        throw ERegistryException("Failed to create the registry folder \"" + folder + "\"");
    TFileLock lock(FFileName);
    // Merge: this handle's changes go on top of the file as it is now.
    TRegistryData current;
    std::string bytes;
    if (FileSystem::FileExists(FFileName)) {
        if (!FileSystem::TryReadFile(FFileName, bytes, 64u << 20))
            throw ERegistryException("Cannot read the registry file \"" + FFileName + "\"");
        current.Parse(bytes);
    }
    for (const TChange& c : FPending) Apply(current, c);
    try {
        FileSystem::WriteFileAtomic(FFileName, current.Serialize());
    } catch (const Exception& e) {
        throw ERegistryException(std::string("Failed to write the registry: ") + e.what());
    }
    FPending.clear();
    FData = std::move(current);
}
