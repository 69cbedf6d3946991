#include "platform/Charset.h"

#include "platform/CodePage.h"
#include "platform/Strings.h"

#include <iconv.h>
#include <mutex>
#include <unordered_map>

namespace Charset {

namespace {

struct TEncoding {
    const char* IconvName;
    bool AsciiCompatible;  // ASCII bytes mean ASCII characters and nothing else
    const char* Labels;    // blank-separated, lower case
};

// The labels of the encodings mail and web pages name, each with the iconv encoding that
// decodes what the programs writing that label really produce.
const TEncoding Encodings[] = {
    {"UTF-8", true, "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"IBM866", true, "866 cp866 csibm866 ibm866"},
    {"ISO-8859-2", true, "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {"ISO-8859-3", true, "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {"ISO-8859-4", true, "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {"ISO-8859-5", true, "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    {"ISO-8859-6", true,
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i "
     "iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {"ISO-8859-7", true,
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
     "iso_8859-7:1987 sun_eu_greek"},
    {"ISO-8859-8", true,
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
     "iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical"},
    {"ISO-8859-10", true, "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"ISO-8859-13", true, "iso-8859-13 iso8859-13 iso885913"},
    {"ISO-8859-14", true, "iso-8859-14 iso8859-14 iso885914"},
    {"ISO-8859-15", true, "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {"ISO-8859-16", true, "iso-8859-16"},
    {"KOI8-R", true, "cskoi8r koi koi8 koi8-r koi8_r"},
    {"KOI8-U", true, "koi8-ru koi8-u"},
    {"MACINTOSH", true, "csmacintosh mac macintosh x-mac-roman"},
    {"MAC-CYRILLIC", true, "x-mac-cyrillic x-mac-ukrainian"},
    {"CP874", true, "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874 cp874"},
    {"CP1250", true, "cp1250 windows-1250 x-cp1250"},
    {"CP1251", true, "cp1251 windows-1251 x-cp1251"},
    {"CP1252", true,
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
     "iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252 us"},
    {"CP1253", true, "cp1253 windows-1253 x-cp1253"},
    {"CP1254", true,
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 windows-1254 "
     "x-cp1254"},
    {"CP1255", true, "cp1255 windows-1255 x-cp1255"},
    {"CP1256", true, "cp1256 windows-1256 x-cp1256"},
    {"CP1257", true, "cp1257 windows-1257 x-cp1257"},
    {"CP1258", true, "cp1258 windows-1258 x-cp1258"},
    {"GB18030", true,
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk gb18030 cp936 euc-cn x-euc-cn"},
    {"BIG5-HKSCS", true, "big5 big5-hkscs cn-big5 csbig5 x-x-big5 cp950 x-big5"},
    {"EUC-JP-MS", true, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {"ISO-2022-JP-2", false, "csiso2022jp iso-2022-jp iso-2022-jp-2"},
    {"CP932", true, "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis cp932"},
    {"CP949", true,
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949 "
     "cp949 ks_c_5601"},
    {"ISO-2022-KR", false, "csiso2022kr iso-2022-kr"},
    {"ISO-2022-CN-EXT", false, "iso-2022-cn iso-2022-cn-ext"},
    {"UTF-16BE", false, "unicodefffe utf-16be"},
    {"UTF-16LE", false, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {"UTF-32BE", false, "utf-32be"},
    {"UTF-32LE", false, "utf-32 utf-32le"},
    {"UTF-7", false, "utf-7 unicode-1-1-utf-7 csunicode11utf7"},
};

const std::unordered_map<std::string, const TEncoding*>& LabelTable() {
    static const auto table = [] {
        std::unordered_map<std::string, const TEncoding*> map;
        for (const TEncoding& encoding : Encodings) {
            std::string_view labels = encoding.Labels;
            while (!labels.empty()) {
                const size_t blank = labels.find(' ');
                map.emplace(std::string(labels.substr(0, blank)), &encoding);
                labels = blank == std::string_view::npos ? std::string_view() : labels.substr(blank + 1);
            }
        }
        return map;
    }();
    return table;
}

// "  UTF-8*en " -> "utf-8".
std::string NormalLabel(std::string_view label) {
    const size_t star = label.find('*');
    return Strings::AsciiLower(Strings::Trim(label.substr(0, star)));
}

bool IconvKnows(const std::string& name) {
    static std::mutex lock;
    static std::unordered_map<std::string, bool> known;
    const std::lock_guard<std::mutex> guard(lock);
    auto found = known.find(name);
    if (found != known.end()) return found->second;
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    const bool ok = cd != reinterpret_cast<iconv_t>(-1);
    if (ok) iconv_close(cd);
    known.emplace(name, ok);
    return ok;
}

bool IsAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

size_t InputUnit(std::string_view name) {
    if (name.starts_with("UTF-16")) return 2;
    if (name.starts_with("UTF-32")) return 4;
    return 1;
}

// UTF-8 with every invalid sequence replaced by U+FFFD.
std::string CleanUtf8(std::string_view bytes) {
    if (CodePage::IsValidUtf8(bytes)) return std::string(bytes);
    return CodePage::Utf16ToUtf8(CodePage::Utf8ToUtf16(bytes));
}

std::string Utf8ToAnsi(std::string utf8) {
    if (CodePage::IsUtf8() || IsAscii(utf8)) return utf8;
    return CodePage::WideToAnsi(CodePage::Utf8ToUtf16(utf8));
}

}  // namespace

std::string IconvName(std::string_view label) {
    const std::string normal = NormalLabel(label);
    if (normal.empty()) return {};
    const auto& table = LabelTable();
    const auto found = table.find(normal);
    if (found != table.end()) return found->second->IconvName;
    return IconvKnows(normal) ? Strings::AsciiUpper(normal) : std::string();
}

std::string UndeclaredToUtf8(std::string_view bytes) {
    if (CodePage::IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    CodePage::Convert(bytes, "CP1252", "UTF-8", out, "\xEF\xBF\xBD");
    return out;
}

std::string ToUtf8(std::string_view bytes, std::string_view label) {
    const std::string normal = NormalLabel(label);
    if (normal.empty()) return UndeclaredToUtf8(bytes);
    const auto& table = LabelTable();
    const auto found = table.find(normal);
    const TEncoding* known = found != table.end() ? found->second : nullptr;
    std::string name = known ? known->IconvName : IconvKnows(normal) ? normal : std::string();
    if (name.empty()) return std::string(bytes);  // a charset nobody here knows: bytes as they are
    // A byte order mark decides for UTF-8 and UTF-16 text and is dropped.
    if (name == "UTF-8" || name.starts_with("UTF-16")) {
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
            name = "UTF-8";
        } else if (name != "UTF-8" && bytes.starts_with("\xFE\xFF")) {
            bytes.remove_prefix(2);
            name = "UTF-16BE";
        } else if (name != "UTF-8" && bytes.starts_with("\xFF\xFE")) {
            bytes.remove_prefix(2);
            name = "UTF-16LE";
        }
    }
    // Text in an 8-bit set that is valid UTF-8 with characters beyond ASCII was written in UTF-8
    // under a wrong label (legacy text is practically never valid UTF-8 by chance).
    const bool asciiCompatible = !known || known->AsciiCompatible;
    if (name == "UTF-8" || (asciiCompatible && CodePage::IsValidUtf8(bytes))) return CleanUtf8(bytes);
    std::string out;
    if (!CodePage::Convert(bytes, name, "UTF-8", out, "\xEF\xBF\xBD", InputUnit(name))) return std::string(bytes);
    return out;
}

std::string ToAnsi(std::string_view bytes, std::string_view label) {
    const std::string normal = NormalLabel(label);
    if (!normal.empty() && IconvName(normal).empty()) return std::string(bytes);
    return Utf8ToAnsi(ToUtf8(bytes, normal));
}

std::string UndeclaredToAnsi(std::string_view bytes) { return Utf8ToAnsi(UndeclaredToUtf8(bytes)); }

}  // namespace Charset
