#include "pane/QtPictureFetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

std::vector<std::string> TQtPictureFetcher::Fetch(const std::vector<std::string>& urls, const TPictureLimits& limits) {
    std::vector<std::string> results(urls.size());
    if (urls.empty()) return results;
    QNetworkAccessManager manager;
    QEventLoop loop;
    int pending = 0;
    std::vector<QNetworkReply*> replies;
    const qint64 limit = limits.MaxImageBytes;
    for (size_t i = 0; i < urls.size(); ++i) {
        QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(urls[i])));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(limits.MaxRedirects);
        request.setTransferTimeout(limits.FetchTimeoutMs);
        QNetworkReply* reply = manager.get(request);
        replies.push_back(reply);
        ++pending;
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limit](qint64 received, qint64 total) {
            if (received > limit || total > limit) reply->abort();
        });
        std::string* result = &results[i];
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&pending, &loop, reply, result, limit] {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
                const QByteArray bytes = reply->read(limit + 1);
                if (bytes.size() <= limit) *result = bytes.toStdString();
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
    deadline.start(limits.TotalTimeoutMs);
    if (pending > 0) loop.exec(QEventLoop::ExcludeUserInputEvents);
    for (QNetworkReply* reply : replies) {
        reply->disconnect();
        reply->deleteLater();
    }
    return results;
}
