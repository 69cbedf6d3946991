#include "dropimport/FileDataObject.h"

#include "dropimport/MailMessage.h"
#include "favorites/ImportExport.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/HtmlParsing.h"

TFileDataObject::TFileDataObject(std::string path) : FPath(std::move(path)) {
    FLoaded = FileSystem::TryReadFile(FPath, FBytes, MaxFileBytes + 1) && FBytes.size() <= MaxFileBytes;
    if (!FLoaded) {
        FBytes.clear();
        return;
    }
    const std::string ext = Strings::AsciiLower(FileSystem::ExtractFileExt(FPath));
    if (ext == ".eml")
        FKind = TKind::Message;
    else if (ext == ".html" || ext == ".htm")
        FKind = TKind::Html;
    else if (ext == ".rtf")
        FKind = TKind::Rtf;
    else if (ImportExport::IsInternetShortcut(FPath) && !(FLinkUrl = ImportExport::ReadIniString(FBytes, "InternetShortcut", "URL")).empty())
        FKind = TKind::Link;
    else if (FBytes.find('\0') == std::string::npos)
        FKind = TKind::Text;
}

std::string TFileDataObject::BaseName() const {
    return FileSystem::ChangeFileExt(FileSystem::ExtractFileName(FPath), "");
}

std::string TFileDataObject::Format() const {
    switch (FKind) {
        case TKind::Message: return CFSTR_INETMSG;
        case TKind::Html: return CFSTR_HTML;
        case TKind::Rtf: return CFSTR_RTF;
        case TKind::Link: return CFSTR_URL;
        case TKind::Text: return CFSTR_TEXT;
        case TKind::None: break;
    }
    return "";
}

bool TFileDataObject::QueryGetData(const std::string& format) {
    if (FKind == TKind::None) return false;
    if (format == Format()) return true;
    if (FKind == TKind::Message) return format == CFSTR_TEXT;
    return FKind == TKind::Link && format == CFSTR_FILEDESCRIPTOR;
}

TGetResult TFileDataObject::GetData(const std::string& format, std::string& bytes) {
    bytes.clear();
    if (!QueryGetData(format)) return TGetResult::NotAvailable;
    if (format == CFSTR_FILEDESCRIPTOR) {
        bytes = DataFormats::FileGroupDescriptor(FileSystem::ExtractFileName(FPath));
        return TGetResult::Ok;
    }
    switch (FKind) {
        case TKind::Message:
            if (format == CFSTR_TEXT) {
                // The message's plain-text body, as a mail program offers it beside the message.
                TMailMessage2000 msg;
                msg.LoadFromSource(DataFormats::ToCrLf(FBytes));
                msg.LocateTextParts();
                if (msg.PlainTextLines.empty()) return TGetResult::NotAvailable;
                bytes = Strings::JoinLines(msg.PlainTextLines);
            } else {
                bytes = DataFormats::ToCrLf(FBytes);
            }
            break;
        case TKind::Html:
            bytes = DataFormats::MakeCFHTML(DataFormats::ToCrLf(DataFormats::HtmlToUtf8(FBytes)), HtmlParsing::FileURL(FPath), false);
            break;
        case TKind::Rtf: bytes = FBytes; break;
        case TKind::Link: bytes = FLinkUrl; break;
        case TKind::Text: bytes = DataFormats::ToCrLf(FBytes); break;
        case TKind::None: return TGetResult::NotAvailable;
    }
    return TGetResult::Ok;
}
