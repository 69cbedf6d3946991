#include "pane/NoteImages.h"

#include "pane/HtmlImageRefs.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/ReportUtils.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

bool IsPictureSuffix(const QString& suffix) {
    static const QStringList known = {"png", "jpg", "jpeg", "jpe", "gif", "bmp", "webp", "svg", "ico", "tif", "tiff", "avif"};
    return known.contains(suffix.toLower());
}

// The picture's file extension, from its bytes when they tell, else from its name.
QString PictureSuffix(const QByteArray& bytes, const QString& nameSuffix) {
    const QMimeType type = QMimeDatabase().mimeTypeForData(bytes);
    if (type.name().startsWith("image/") && !type.preferredSuffix().isEmpty()) return type.preferredSuffix();
    return IsPictureSuffix(nameSuffix) ? nameSuffix.toLower() : QString();
}

}  // namespace

TNoteImageSaver::TNoteImageSaver(std::string companionFolder, QString relativeFolder, QUrl base)
    : FCompanion(std::move(companionFolder)), FRelative(std::move(relativeFolder)), FBase(std::move(base)) {}

TNoteImageSaver::TKind TNoteImageSaver::Classify(const std::string& address, QUrl& url, std::string& localPath) const {
    const std::string trimmed = Strings::Trim(address);
    if (trimmed.empty()) return TKind::None;
    if (Strings::AsciiLower(trimmed.substr(0, 5)) == "data:") {
        url = QUrl(QString::fromUtf8(trimmed));
        return TKind::Data;
    }
    if (trimmed[0] == '/' && trimmed.size() > 1 && trimmed[1] != '/' && !FBase.isValid()) {
        localPath = trimmed;  // a plain path, as the drop converters write them
        return TKind::File;
    }
    const QUrl given(QString::fromUtf8(trimmed));
    url = FBase.isValid() && !FBase.isEmpty() ? FBase.resolved(given) : given;
    const QString scheme = url.scheme().toLower();
    if (scheme == "file") {
        localPath = QToAnsi(url.toLocalFile());
        return localPath.empty() ? TKind::None : TKind::File;
    }
    if (scheme == "http" || scheme == "https") return TKind::Web;
    return TKind::None;
}

bool TNoteImageSaver::ReadLocal(TImage& image) const {
    const QString suffix = AnsiToQ(FileSystem::ExtractFileExt(image.LocalPath)).mid(1);
    if (!IsPictureSuffix(suffix)) return false;  // a page must not pull other local files in
    std::string bytes;
    if (!FileSystem::TryReadFile(image.LocalPath, bytes, FLimits.MaxImageBytes + 1)) return false;
    if (static_cast<qint64>(bytes.size()) > FLimits.MaxImageBytes) return false;
    image.Bytes = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    image.Suffix = suffix.toLower();
    image.BaseName = QFileInfo(AnsiToQ(image.LocalPath)).completeBaseName();
    return true;
}

// data:[<media type>][;base64],<payload>; only pictures are taken.
bool TNoteImageSaver::DecodeData(TImage& image) const {
    const QByteArray text = image.Url.toEncoded();
    const qsizetype comma = text.indexOf(',');
    if (comma < 0) return false;
    const QByteArray header = text.mid(5, comma - 5).toLower();
    if (!header.startsWith("image/")) return false;
    if (text.size() - comma > FLimits.MaxImageBytes * 4 / 3 + 4) return false;
    const QByteArray payload = QByteArray::fromPercentEncoding(text.mid(comma + 1));
    image.Bytes = header.endsWith(";base64") ? QByteArray::fromBase64(payload) : payload;
    if (image.Bytes.isEmpty() || image.Bytes.size() > FLimits.MaxImageBytes) return false;
    image.Suffix = PictureSuffix(image.Bytes, QString::fromLatin1(header.mid(6).split(';').first()).remove("+xml"));
    image.BaseName = "image";
    return !image.Suffix.isEmpty();
}

// Fetches every web picture at once and waits for all of them, each bounded in size and in
// time without progress, all together bounded by the total time limit.
void TNoteImageSaver::FetchAll(std::vector<TImage*>& images) {
    if (images.empty()) return;
    QNetworkAccessManager manager;
    QEventLoop loop;
    int pending = 0;
    std::vector<QNetworkReply*> replies;
    for (TImage* image : images) {
        QNetworkRequest request(image->Url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(FLimits.MaxRedirects);
        request.setTransferTimeout(FLimits.FetchTimeoutMs);
        QNetworkReply* reply = manager.get(request);
        replies.push_back(reply);
        ++pending;
        const qint64 limit = FLimits.MaxImageBytes;
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limit](qint64 received, qint64 total) {
            if (received > limit || total > limit) reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&pending, &loop, reply, image, limit] {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
                const QByteArray bytes = reply->read(limit + 1);
                if (bytes.size() <= limit && !bytes.isEmpty()) {
                    image->Bytes = bytes;
                    image->Suffix = PictureSuffix(bytes, QFileInfo(image->Url.path()).suffix());
                    image->BaseName = QFileInfo(image->Url.path()).completeBaseName();
                }
            }
            if (--pending == 0) loop.quit();
        });
    }
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        for (QNetworkReply* reply : replies)
            if (reply->isRunning()) reply->abort();
    });
    deadline.start(FLimits.TotalTimeoutMs);
    if (pending > 0) loop.exec(QEventLoop::ExcludeUserInputEvents);
    for (QNetworkReply* reply : replies) {
        reply->disconnect();
        reply->deleteLater();
    }
}

// Writes the picture into the companion folder under a free name made from its own.
bool TNoteImageSaver::Store(TImage& image) {
    if (image.Bytes.isEmpty() || image.Suffix.isEmpty()) return false;
    if (image.Kind == TKind::File && FileSystem::ExtractFilePath(image.LocalPath) == FCompanion) {
        image.SavedName = FileSystem::ExtractFileName(image.LocalPath);  // already where it belongs
        return true;
    }
    std::string base = ReportUtils::MakeValidFileName(QToAnsi(image.BaseName.left(60)));
    if (base.empty() || base[0] == '.') base = "image" + base;
    if (!FileSystem::ForceDirectories(FCompanion)) return false;
    const std::string path = ReportUtils::FindUnusedFileName(FCompanion + base, QToAnsi(image.Suffix), "-");
    FileSystem::WriteFileAtomic(path, std::string_view(image.Bytes.constData(), static_cast<size_t>(image.Bytes.size())));
    image.SavedName = FileSystem::ExtractFileName(path);
    ++FSaved;
    return true;
}

std::string TNoteImageSaver::Process(const std::string& html) {
    const std::vector<HtmlImageRefs::TImageRef> refs = HtmlImageRefs::FindImageRefs(html);
    std::map<std::string, TImage> images;  // one copy per distinct address
    std::vector<TImage*> web;
    for (const auto& ref : refs) {
        if (images.count(ref.Url) || static_cast<int>(images.size()) >= FLimits.MaxImages) continue;
        TImage& image = images[ref.Url];
        image.Kind = Classify(ref.Url, image.Url, image.LocalPath);
        const bool own = image.Kind == TKind::File && !FOwnFolder.empty() && Strings::StartsWith(image.LocalPath, FOwnFolder);
        if (!FSaveForeign && !own) continue;
        switch (image.Kind) {
            case TKind::File: ReadLocal(image); break;
            case TKind::Data: DecodeData(image); break;
            case TKind::Web: web.push_back(&image); break;
            case TKind::None: break;
        }
    }
    FetchAll(web);
    for (auto& [address, image] : images) Store(image);

    std::vector<std::string> newUrls;
    newUrls.reserve(refs.size());
    for (const auto& ref : refs) {
        const auto it = images.find(ref.Url);
        if (it == images.end() || it->second.SavedName.empty()) {
            newUrls.emplace_back();
            continue;
        }
        newUrls.push_back((QUrl::toPercentEncoding(FRelative) + "/" +
                           QUrl::toPercentEncoding(AnsiToQ(it->second.SavedName)))
                              .toStdString());
    }
    return HtmlImageRefs::ReplaceImageRefs(html, refs, newUrls);
}
