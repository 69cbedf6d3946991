#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <memory>

namespace CodePage {

std::string AnsiCodeSet() {
    const char* set = nl_langinfo(CODESET);
    return set && *set ? std::string(set) : std::string("ANSI_X3.4-1968");
}

bool IsUtf8() {
    const std::string set = AnsiCodeSet();
    return set == "UTF-8" || set == "utf-8" || set == "UTF8" || set == "utf8";
}

namespace {

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not a valid sequence (overlong forms and surrogates count as invalid).
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& c) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) { c = lead; return 1; }
    size_t len;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) { len = 2; c = lead & 0x1F; min = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { len = 3; c = lead & 0x0F; min = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { len = 4; c = lead & 0x07; min = 0x10000; }
    else return 0;
    if (i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b(k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return len;
}

// One iconv descriptor per direction and character set, per thread: opening one costs more
// than converting a short string.
class TIconvCache {
public:
    ~TIconvCache() {
        for (auto& [key, cd] : FDescriptors) iconv_close(cd);
    }
    iconv_t Get(const std::string& from, const std::string& to) {
        const std::string key = from + "\n" + to;
        auto it = FDescriptors.find(key);
        if (it != FDescriptors.end()) return it->second;
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
        FDescriptors.emplace(key, cd);
        return cd;
    }

private:
    std::map<std::string, iconv_t> FDescriptors;
};

thread_local TIconvCache IconvCache;

// Runs iconv over the whole input; an input byte that does not convert is skipped and the
// replacement (already encoded in the target set) is written in its place.
bool IconvAll(std::string_view in, const std::string& from, const std::string& to, const std::string& replacement,
              size_t inputUnit, std::string& out) {
    iconv_t cd = IconvCache.Get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.clear();
    out.reserve(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a sequence cut short at the end): replace one input unit.
            out += replacement;
            const size_t skip = srcLeft < inputUnit ? srcLeft : inputUnit;
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    return true;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

std::string ToUtf16Bytes(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        const size_t len = DecodeUtf8(text, i, c);
        if (len == 0) {
            out.push_back(u'\uFFFD');
            ++i;
        } else {
            AppendUtf16(out, c);
            i += len;
        }
    }
    return out;
}

namespace {
std::string Utf16ToUtf8With(std::u16string_view text, char32_t loneSurrogate) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = loneSurrogate;
        }
        AppendUtf8(out, c);
    }
    return out;
}
}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) { return Utf16ToUtf8With(text, 0xFFFD); }

std::u16string AnsiToWide(std::string_view text) {
    if (IsUtf8()) return Utf8ToUtf16(text);
    bool ascii = true;
    for (unsigned char c : text) ascii = ascii && c < 0x80;
    if (ascii) return std::u16string(text.begin(), text.end());
    std::string bytes;
    if (!IconvAll(text, AnsiCodeSet(), "UTF-16LE", std::string("\xFD\xFF", 2), 1, bytes))
        return Utf8ToUtf16(text);
    return FromUtf16Bytes(bytes);
}

std::string WideToAnsi(std::u16string_view text) {
    // A lone surrogate has no place in the code page: it becomes "?" like any other
    // character the code page cannot hold.
    if (IsUtf8()) return Utf16ToUtf8With(text, U'?');
    bool ascii = true;
    for (char16_t c : text) ascii = ascii && c < 0x80;
    if (ascii) return std::string(text.begin(), text.end());
    std::string out;
    if (!IconvAll(ToUtf16Bytes(text), "UTF-16LE", AnsiCodeSet(), "?", 2, out)) return Utf16ToUtf8(text);
    return out;
}

bool IsValidUtf8(std::string_view text) {
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t c;
        const size_t len = DecodeUtf8(text, i, c);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

bool Convert(std::string_view text, const std::string& fromSet, const std::string& toSet, std::string& out,
             const std::string& replacement, size_t inputUnit) {
    return IconvAll(text, fromSet, toSet, replacement, inputUnit, out);
}

}  // namespace CodePage
