#include "hosts/LocalContentGuard.h"

#include "settings/Options.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEngineSettings>

namespace {

bool IsPassive(QWebEngineUrlRequestInfo::ResourceType type) {
    switch (type) {
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        case QWebEngineUrlRequestInfo::ResourceTypeFavicon: return true;
        default: return false;
    }
}

}  // namespace

bool TLocalContentGuard::Allows(const QUrl& request, const QUrl& firstParty,
                                QWebEngineUrlRequestInfo::ResourceType type, const QString& storeRoot) {
    if (!request.isLocalFile()) return true;
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return true;
    if (!firstParty.isLocalFile()) return false;
    const QString target = QDir::cleanPath(request.toLocalFile());
    const QString page = QDir::cleanPath(firstParty.toLocalFile());
    const QFileInfo pageInfo(page);
    const QString folder = pageInfo.path() + "/";
    const QString companion = folder + pageInfo.completeBaseName() + ".files/";
    if (target.startsWith(companion)) return true;
    if (!IsPassive(type)) return false;
    const QString store = storeRoot.isEmpty() ? QString() : QDir::cleanPath(storeRoot) + "/";
    return QFileInfo(target).path() + "/" == folder || (!store.isEmpty() && target.startsWith(store));
}

void TLocalContentGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QString storeRoot = Options ? QString::fromLocal8Bit(Options->FolderToStore.c_str()) : QString();
    if (!Allows(info.requestUrl(), info.firstPartyUrl(), info.resourceType(), storeRoot)) info.block(true);
}

void ConfigureWebProfile(QWebEngineProfile* profile) {
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Needed for a local page's own pictures; TLocalContentGuard decides which files it reaches.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    auto* guard = new TLocalContentGuard(profile);
    profile->setUrlRequestInterceptor(guard);
}
