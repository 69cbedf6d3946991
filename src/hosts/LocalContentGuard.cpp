#include "hosts/LocalContentGuard.h"

#include "pane/QtStrings.h"
#include "settings/Options.h"

#include <QFileInfo>
#include <QWebEngineCookieStore>
#include <QWebEngineSettings>

namespace {

using RT = QWebEngineUrlRequestInfo;

bool IsPassive(RT::ResourceType type) {
    switch (type) {
        case RT::ResourceTypeImage:
        case RT::ResourceTypeStylesheet:
        case RT::ResourceTypeFontResource:
        case RT::ResourceTypeMedia:
        case RT::ResourceTypeFavicon: return true;
        default: return false;
    }
}

// Whether the real path lies in the folder (a real path too) or is the folder itself.
bool IsInside(const QString& path, const QString& folder) {
    if (path.isEmpty() || folder.isEmpty()) return false;
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

bool IsInsideRoot(const QString& path, const QString& root) {
    return !root.isEmpty() && IsInside(path, TLocalContentGuard::RealPath(root));
}

}  // namespace

QString TLocalContentGuard::RealPath(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

bool TLocalContentGuard::Allows(const QUrl& request, const QUrl& firstParty, RT::ResourceType type,
                                const QString& storeRoot, bool scriptsOn) {
    if (type == RT::ResourceTypeMainFrame) return true;
    if (!firstParty.isLocalFile()) return !request.isLocalFile();
    if (!request.isLocalFile()) return request.scheme() == "data" || request.scheme() == "blob";
    const QString target = RealPath(request.toLocalFile());
    const QFileInfo page(firstParty.toLocalFile());
    const QString folder = RealPath(page.absolutePath());
    if (target.isEmpty() || folder.isEmpty()) return false;
    // The companion folder where it stands beside the page, not where a link would lead.
    if (IsInside(target, (folder.endsWith('/') ? folder : folder + '/') + page.completeBaseName() + ".files"))
        return true;
    if (scriptsOn || !IsPassive(type)) return false;
    return QFileInfo(target).absolutePath() == folder || IsInsideRoot(target, storeRoot);
}

bool TLocalContentGuard::AllowsNavigation(const QUrl& to, const QUrl& from, QWebEnginePage::NavigationType type,
                                          const QStringList& localRoots) {
    switch (type) {
        case QWebEnginePage::NavigationTypeTyped:
        case QWebEnginePage::NavigationTypeReload:
        case QWebEnginePage::NavigationTypeBackForward: return true;
        default: break;
    }
    if (!from.isLocalFile()) return !to.isLocalFile();
    if (type == QWebEnginePage::NavigationTypeFormSubmitted || type == QWebEnginePage::NavigationTypeRedirect)
        return false;
    if (!to.isLocalFile()) return true;
    // A folder listing is the engine's own page: its links are the folder's entries.
    if (QFileInfo(RealPath(from.toLocalFile())).isDir()) return true;
    const QString target = RealPath(to.toLocalFile());
    for (const QString& root : localRoots)
        if (IsInsideRoot(target, root)) return true;
    return false;
}

bool TLocalContentGuard::RunsScripts(const QUrl& localPage, bool localScripts, const QString& storeRoot) {
    const QString path = RealPath(localPage.toLocalFile());
    if (path.isEmpty()) return false;
    if (QFileInfo(path).isDir()) return true;
    return localScripts && IsInsideRoot(path, storeRoot);
}

void TLocalContentGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QString store = StoreRoot();
    const QUrl firstParty = info.firstPartyUrl();
    const bool pageScripts = FPage && FPage->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled);
    const bool scriptsOn =
        firstParty.isLocalFile() && (pageScripts || RunsScripts(firstParty, Options && Options->RunLocalScripts, store));
    if (!Allows(info.requestUrl(), firstParty, info.resourceType(), store, scriptsOn)) info.block(true);
}

QString StoreRoot() { return Options ? AnsiToQ(Options->FolderToStore) : QString(); }

QStringList LocalNavigationRoots() {
    if (!Options) return {};
    return {StoreRoot(), AnsiToQ(Options->AppPath)};
}

void ConfigureWebProfile(QWebEngineProfile* profile) {
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Needed for a local page's own pictures; TLocalContentGuard decides which files it reaches.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    // All local files share one origin, so any storage they kept would be shared between
    // notes: the engine asks this filter for cookies and every kind of page storage.
    profile->cookieStore()->setCookieFilter([](const QWebEngineCookieStore::FilterRequest& request) {
        return !request.firstPartyUrl.isLocalFile() && !request.origin.isLocalFile();
    });
    profile->setUrlRequestInterceptor(new TLocalContentGuard(profile));
}

void GuardPage(QWebEnginePage* page) {
    page->setUrlRequestInterceptor(new TLocalContentGuard(page, page));
    const auto follow = [page] { ApplyPageSettings(page, page->url(), true); };
    QObject::connect(page, &QWebEnginePage::urlChanged, page, follow);
    QObject::connect(page, &QWebEnginePage::loadFinished, page, follow);
}

void ApplyPageSettings(QWebEnginePage* page, const QUrl& url, bool liveOnly) {
    QWebEngineSettings* settings = page->settings();
    if (!url.isLocalFile()) return settings->resetAttribute(QWebEngineSettings::JavascriptEnabled);
    const bool scripts = TLocalContentGuard::RunsScripts(url, Options && Options->RunLocalScripts, StoreRoot());
    if (liveOnly && scripts) return;
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, scripts);
}
