#pragma once
// The registry file: the stand-in for the Windows registry. A text file in REGEDIT4 syntax,
// UTF-8, with the hives HKEY_CURRENT_USER, HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE and typed
// values. Writes are read-modify-write under an advisory lock and land by atomic rename, so two
// running instances never lose each other's values and a crash never leaves half a file.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class THive { CurrentUser, ClassesRoot, LocalMachine };
enum class TRegDataType { String, ExpandString, Integer, Binary };

struct TRegValue {
    TRegDataType Type = TRegDataType::String;
    std::string Data;  // text (UTF-8) for the two string types, raw bytes for Binary
    std::uint32_t DWord = 0;
};

// The whole file in memory: keys by full path ("HKEY_CURRENT_USER\Software\..."), compared
// without regard to ASCII case, each with its values in file order.
class TRegistryData {
public:
    struct TKey {
        std::string Path;
        std::vector<std::pair<std::string, TRegValue>> Values;
    };

    // Reads the REGEDIT4 text; lines it does not understand are skipped.
    void Parse(std::string_view text);
    std::string Serialize() const;

    // Keys deeper than this below their hive are not kept: every level is a key of its own in
    // the file, so one deep key would cost the square of its length.
    static constexpr size_t MaxKeyDepth = 512;
    // True when a key of the path can exist: below one of the hives, at most MaxKeyDepth deep.
    static bool CanHold(const std::string& path);

    TKey* FindKey(const std::string& path);
    const TKey* FindKey(const std::string& path) const;
    TKey& CreateKey(const std::string& path);  // with its missing parents
    // Removes the key with all its sub-keys.
    bool DeleteKey(const std::string& path);
    std::vector<std::string> SubKeyNames(const std::string& path) const;

    static const TRegValue* FindValue(const TKey& key, std::string_view name);
    static void SetValue(TKey& key, const std::string& name, const TRegValue& value);
    static bool DeleteValue(TKey& key, std::string_view name);

private:
    std::map<std::string, TKey> FKeys;  // by folded path
};

std::string HiveName(THive hive);
// The registry file: $XDG_CONFIG_HOME/quillbox/registry.reg.
std::string DefaultRegistryFile();

// A handle on one key, after Delphi's TRegistry. Reads come from the file as it was when the
// key was opened (plus this handle's own writes); writes are collected and land in the file,
// merged with whatever other processes wrote meanwhile, at CloseKey or destruction.
class TRegistry {
public:
    explicit TRegistry(THive root = THive::CurrentUser, std::string fileName = DefaultRegistryFile());
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens a key below the root ("Software\Brennock\Quillbox"); with canCreate a missing key
    // is made. False when the key is missing (and not created) or the file cannot be read.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key) { return OpenKey(key, false); }
    // Writes what this handle changed; raises ERegistryException when the file cannot be written.
    void CloseKey();
    bool KeyExists(const std::string& key);
    bool DeleteKey(const std::string& key);
    std::vector<std::string> GetKeyNames() const;
    std::vector<std::string> GetValueNames() const;

    bool ValueExists(std::string_view name) const;
    std::optional<TRegDataType> GetDataType(std::string_view name) const;
    // Typed reads raise ERegistryException "Invalid data type for '<name>'" when the value has
    // another type (REG_EXPAND_SZ reads as a string). A missing string reads as "", a missing
    // integer raises. Strings come back in the ANSI code page.
    std::string ReadString(std::string_view name) const;
    int ReadInteger(std::string_view name) const;
    bool ReadBool(std::string_view name) const;
    std::string ReadBinaryData(std::string_view name) const;

    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinaryData(const std::string& name, std::string_view bytes);
    bool DeleteValue(const std::string& name);

    const std::string& FileName() const { return FFileName; }

private:
    struct TChange {
        enum Kind { CreateKey, SetValue, DeleteValue, DeleteKey } Kind;
        std::string Key, Name;
        TRegValue Value;
    };

    std::string FullPath(const std::string& key) const;
    const TRegValue& Get(std::string_view name) const;
    void Set(const std::string& name, const TRegValue& value);
    void Apply(TRegistryData& data, const TChange& change) const;
    bool Reload();
    void Flush();

    THive FRoot;
    std::string FFileName;
    TRegistryData FData;
    std::string FCurrentKey;  // full path of the open key, empty when none
    std::vector<TChange> FPending;
};
