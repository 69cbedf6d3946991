#include "pane/QtDataObject.h"

#include "pane/QtStrings.h"
#include "platform/Strings.h"

#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

namespace {

// Mozilla's strings come as UTF-16 without a byte-order mark; others as UTF-8.
QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[1] == '\0' && bytes[0] != '\0'))
        return QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless).decode(bytes.startsWith("\xFF\xFE") ? bytes.mid(2) : bytes);
    return QString::fromUtf8(bytes);
}

// Firefox puts a charset declaration in front of the HTML it copies.
constexpr const char* MozHtmlPrefix = "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">";

}  // namespace

bool TQtDataObject::HasAny(std::initializer_list<const char*> types) const {
    for (const char* type : types)
        if (FMime->hasFormat(type)) return true;
    return false;
}

bool TQtDataObject::QueryGetData(const std::string& format) {
    if (!FMime) return false;
    const bool uris = FMime->hasFormat("text/uri-list");
    if (format == CFSTR_INETMSG) return uris || HasAny({"message/rfc822"});
    if (format == CFSTR_HTML) return uris || HasAny({"text/html"});
    if (format == CFSTR_RTF) return uris || HasAny({"text/rtf", "text/richtext", "application/rtf"});
    if (format == CFSTR_URL) return uris || HasAny({"text/x-moz-url", "_NETSCAPE_URL"});
    if (format == CFSTR_TEXT) return uris || FMime->hasText();
    if (format == CFSTR_FILEDESCRIPTOR) {
        if (TFileDataObject* file = DroppedFile()) return file->QueryGetData(format);
        QString url, title;
        return LinkAndTitle(url, title) && !title.isEmpty();
    }
    return false;
}

// The first dropped local file, read once, at the drop.
TFileDataObject* TQtDataObject::DroppedFile() {
    if (!FFileLooked) {
        FFileLooked = true;
        const QList<QUrl> urls = FMime->hasFormat("text/uri-list") ? FMime->urls() : QList<QUrl>();
        if (!urls.isEmpty() && urls.first().isLocalFile()) {
            FFile = std::make_unique<TFileDataObject>(QToAnsi(urls.first().toLocalFile()));
            if (!FFile->Loaded()) FFile.reset();
        }
    }
    return FFile.get();
}

// A dragged link and its title: text/x-moz-url or _NETSCAPE_URL ("address" LF "title"), the
// title also from text/x-moz-url-desc, else the first address of text/uri-list.
bool TQtDataObject::LinkAndTitle(QString& url, QString& title) {
    for (const char* type : {"text/x-moz-url", "_NETSCAPE_URL"}) {
        if (!FMime->hasFormat(type)) continue;
        const QStringList lines = DecodeText(FMime->data(type)).split('\n');
        url = lines.value(0).trimmed();
        title = lines.value(1).trimmed();
        if (!url.isEmpty()) break;
    }
    if (url.isEmpty() && FMime->hasFormat("text/uri-list")) {
        const QList<QUrl> urls = FMime->urls();
        if (!urls.isEmpty() && !urls.first().isLocalFile()) url = urls.first().toString();
    }
    if (title.isEmpty() && FMime->hasFormat("text/x-moz-url-desc"))
        title = DecodeText(FMime->data("text/x-moz-url-desc")).trimmed();
    return !url.isEmpty() && !url.startsWith("file:", Qt::CaseInsensitive);
}

TGetResult TQtDataObject::GetData(const std::string& format, std::string& bytes) {
    bytes.clear();
    if (!FMime) return TGetResult::NotAvailable;
    if (TFileDataObject* file = DroppedFile()) return file->GetData(format, bytes);
    if (format == CFSTR_INETMSG && FMime->hasFormat("message/rfc822")) {
        bytes = DataFormats::ToCrLf(FMime->data("message/rfc822").toStdString());
    } else if (format == CFSTR_HTML && FMime->hasFormat("text/html")) {
        std::string html = DataFormats::HtmlToUtf8(FMime->data("text/html").toStdString());
        if (Strings::StartsWith(html, MozHtmlPrefix)) html.erase(0, std::strlen(MozHtmlPrefix));
        QString source;
        if (FMime->hasFormat("text/x-moz-url-priv"))
            source = DecodeText(FMime->data("text/x-moz-url-priv")).section('\n', 0, 0).trimmed();
        else if (FMime->hasFormat("chromium/x-source-url"))
            source = QString::fromUtf8(FMime->data("chromium/x-source-url")).trimmed();
        bytes = DataFormats::MakeCFHTML(DataFormats::ToCrLf(html), source.toStdString(), true);
    } else if (format == CFSTR_RTF) {
        for (const char* type : {"text/rtf", "text/richtext", "application/rtf"})
            if (FMime->hasFormat(type)) {
                bytes = FMime->data(type).toStdString();
                break;
            }
    } else if (format == CFSTR_URL || format == CFSTR_FILEDESCRIPTOR) {
        QString url, title;
        if (LinkAndTitle(url, title)) {
            if (format == CFSTR_URL) bytes = QToAnsi(url);
            else if (!title.isEmpty()) bytes = DataFormats::FileGroupDescriptor(QToAnsi(title) + ".url");
        }
    } else if (format == CFSTR_TEXT && FMime->hasText()) {
        bytes = DataFormats::ToCrLf(QToAnsi(FMime->text()));
    }
    return bytes.empty() ? TGetResult::NotAvailable : TGetResult::Ok;
}
