#pragma once
// The data another program offers by drag and drop or on the clipboard, as the drop target
// reads it: a set of named clipboard formats, each with its bytes. The user interface adapts
// its own drop and clipboard objects to this; files and tests provide their own.
#include <string>
#include <string_view>

// The clipboard formats the drop target reads.
inline constexpr const char* CFSTR_INETMSG = "Internet Message (rfc822/rfc1522)";
inline constexpr const char* CFSTR_HTML = "HTML Format";
inline constexpr const char* CFSTR_RTF = "Rich Text Format";
inline constexpr const char* CFSTR_URL = "UniformResourceLocator";
inline constexpr const char* CFSTR_FILEDESCRIPTOR = "FileGroupDescriptor";
inline constexpr const char* CFSTR_TEXT = "CF_TEXT";  // the standard format 1: 8-bit text, CR LF line ends

enum class TGetResult {
    Ok,            // bytes holds the data
    NotAvailable,  // the format is not offered
    NotInMemory,   // offered only in another medium (a stream, a file) that is not read
};

class TDataObject {
public:
    virtual ~TDataObject() = default;
    // Whether the format is offered.
    virtual bool QueryGetData(const std::string& format) = 0;
    // The format's bytes.
    virtual TGetResult GetData(const std::string& format, std::string& bytes) = 0;
};

namespace DataFormats {

// A FileGroupDescriptor block naming one file: the item count, the first descriptor's other
// fields (zero), and the name in its 260-byte field (cut to 259 bytes and NUL-terminated).
std::string FileGroupDescriptor(const std::string& fileName);
// An HTML text wrapped in the CF_HTML header. With fragment, the whole text is marked as the
// fragment; sourceUrl is left out when empty. The offsets count bytes of the result.
std::string MakeCFHTML(const std::string& html, const std::string& sourceUrl, bool fragment);
// Text with every line ending in CR LF (a lone LF or CR gets its partner).
std::string ToCrLf(std::string_view text);
// HTML bytes as UTF-8, the encoding CF_HTML carries: by their byte-order mark, else by the
// NUL bytes of UTF-16, else by a charset named near the start (a <meta> tag), else as UTF-8.
std::string HtmlToUtf8(std::string_view bytes);

}  // namespace DataFormats
