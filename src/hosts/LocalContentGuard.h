#pragma once
// Notes are local files captured from the web, with whatever scripts the page carried. A
// local page may show its own pictures (its companion folder, "name.files/", and passive
// content beside it) but its scripts must not read the user's other files. Qt WebEngine's
// switch for local file access either blocks every local sub-resource, pictures included,
// or lets scripts read any file; so the switch stays on and this interceptor admits only a
// local page's own files.
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

class TLocalContentGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a request for a local file may load for the top-level document firstParty.
    // Top-level navigations always may; any other local request only from a local page and
    // inside its companion folder, or, for passive content (pictures, style sheets, fonts,
    // media), in the page's own folder or anywhere in the notes store (storeRoot): a report in
    // the temporary folder shows the pictures of the notes it was made from.
    static bool Allows(const QUrl& request, const QUrl& firstParty, QWebEngineUrlRequestInfo::ResourceType type,
                       const QString& storeRoot = QString());
};

// The web settings every browser page of the program gets: scripts and pictures on, local
// pages kept from remote addresses, local files reachable only through the guard above.
void ConfigureWebProfile(QWebEngineProfile* profile);
