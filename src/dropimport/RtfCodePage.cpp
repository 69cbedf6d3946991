#include "dropimport/RtfCodePage.h"

#include "platform/Charset.h"
#include "platform/CodePage.h"

#include <array>
#include <map>
#include <memory>

namespace RtfCodePage {

int CodePageOfCharset(int charset, int documentCodePage) {
    switch (charset) {
        case 0: return 1252;      // ANSI_CHARSET
        case 77: return 10000;    // Mac Roman
        case 78: return 10001;    // Mac Japanese
        case 79: return 10003;    // Mac Korean
        case 80: return 10008;    // Mac Simplified Chinese
        case 81: return 10002;    // Mac Traditional Chinese
        case 83: return 10005;    // Mac Hebrew
        case 84: return 10004;    // Mac Arabic
        case 85: return 10006;    // Mac Greek
        case 86: return 10081;    // Mac Turkish
        case 87: return 10021;    // Mac Thai
        case 88: return 10029;    // Mac Central European
        case 89: return 10007;    // Mac Cyrillic
        case 128: return 932;     // SHIFTJIS_CHARSET
        case 129: return 949;     // HANGEUL_CHARSET
        case 130: return 1361;    // JOHAB_CHARSET
        case 134: return 936;     // GB2312_CHARSET
        case 136: return 950;     // CHINESEBIG5_CHARSET
        case 161: return 1253;    // GREEK_CHARSET
        case 162: return 1254;    // TURKISH_CHARSET
        case 163: return 1258;    // VIETNAMESE_CHARSET
        case 177: return 1255;    // HEBREW_CHARSET
        case 178: return 1256;    // ARABIC_CHARSET
        case 186: return 1257;    // BALTIC_CHARSET
        case 204: return 1251;    // RUSSIAN_CHARSET
        case 222: return 874;     // THAI_CHARSET
        case 238: return 1250;    // EASTEUROPE_CHARSET
        case 254: return 437;     // PC437_CHARSET
        case 255: return 850;     // OEM_CHARSET
        default: return documentCodePage;
    }
}

namespace {

// The Mac code pages of the Far East use the lead bytes of their Windows counterparts.
int DoubleByteFamily(int codePage) {
    switch (codePage) {
        case 10001: return 932;
        case 10002: return 950;
        case 10003: return 949;
        case 10008: return 936;
        default: return codePage;
    }
}

}  // namespace

bool IsDoubleByte(int codePage) {
    switch (DoubleByteFamily(codePage)) {
        case 932: case 936: case 949: case 950: case 1361: return true;
        default: return false;
    }
}

bool IsLeadByte(unsigned char b, int codePage) {
    switch (DoubleByteFamily(codePage)) {
        case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
        case 936: case 949: case 950: return b >= 0x81 && b <= 0xFE;
        default: return false;
    }
}

namespace {

std::string CodePageName(int codePage) {
    switch (codePage) {
        case 65001: return "UTF-8";
        case 10000: return "MACINTOSH";
        case 10001: return "SHIFT_JIS";
        case 10002: return "BIG5";
        case 10003: return "EUC-KR";
        case 10004: return "MACARABIC";
        case 10005: return "MACHEBREW";
        case 10006: return "MACGREEK";
        case 10007: return "MACCYRILLIC";
        case 10008: return "GB2312";
        case 10021: return "MACTHAI";
        case 10029: return "MAC-CENTRALEUROPE";
        case 10079: return "MACICELAND";
        case 10081: return "MACTURKISH";
        case 10082: return "MACCROATIAN";
        case 10017: return "MACUKRAINIAN";
        case 1361: return "JOHAB";
        case 20866: return "KOI8-R";
        case 21866: return "KOI8-U";
        case 20932: case 51932: return "EUC-JP";
        case 20936: case 51936: return "GB2312";
        case 51949: return "EUC-KR";
        case 54936: return "GB18030";
        default:
            if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

std::string IconvName(int codePage) {
    // The name goes through the web's label table, so a code page decodes as the same label
    // does in a page or a mail ("SHIFT_JIS" is CP932, "GB2312" is GB18030...).
    const std::string name = CodePageName(codePage);
    const std::string web = Charset::IconvName(name);
    return web.empty() ? name : web;
}

namespace {

// Decodes through UTF-8: iconv's "?" replacement would break the alignment of UTF-16 output.
bool IconvDecode(std::string_view bytes, int codePage, std::u16string& out) {
    std::string utf8;
    if (!CodePage::Convert(bytes, IconvName(codePage), "UTF-8", utf8)) return false;
    out = CodePage::Utf8ToUtf16(utf8);
    return true;
}

// One character per byte for the single-byte code pages, built once per code page: text with
// many escaped accents then costs a table lookup per byte instead of an iconv call.
// Code pages whose characters may take more than one byte: decoded by iconv as a whole.
bool IsMultiByte(int codePage) {
    return IsDoubleByte(codePage) || codePage == 65001 || codePage == 54936 || codePage == 20932 || codePage == 51932;
}

using TByteTable = std::array<char16_t, 256>;

const TByteTable* ByteTable(int codePage) {
    thread_local std::map<int, std::unique_ptr<TByteTable>> owned;
    thread_local std::map<int, const TByteTable*> tables;  // unknown code pages point at 1252
    if (auto it = tables.find(codePage); it != tables.end()) return it->second;
    auto table = std::make_unique<TByteTable>();
    bool known = true;
    for (int b = 0; b < 256 && known; ++b) {
        const char byte = static_cast<char>(b);
        std::u16string one;
        known = IconvDecode(std::string_view(&byte, 1), codePage, one);
        (*table)[b] = one.size() == 1 ? one[0] : u'?';
    }
    const TByteTable* result = nullptr;
    if (known) result = owned.emplace(codePage, std::move(table)).first->second.get();
    else if (codePage != DefaultCodePage) result = ByteTable(DefaultCodePage);
    tables[codePage] = result;
    return result;
}

}  // namespace

std::u16string Decode(std::string_view bytes, int codePage) {
    std::u16string out;
    if (IsMultiByte(codePage)) {
        if (IconvDecode(bytes, codePage, out)) return out;
        codePage = DefaultCodePage;
    }
    const TByteTable* table = ByteTable(codePage);
    out.reserve(bytes.size());
    for (unsigned char b : bytes) out.push_back(table ? (*table)[b] : static_cast<char16_t>(b));
    return out;
}

}  // namespace RtfCodePage
