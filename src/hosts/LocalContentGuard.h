#pragma once
// Notes are local files captured from the web, with whatever scripts and forms the page
// carried; the store beside them holds everything the user ever kept. A local page may show
// its own pictures but must not read the user's other files nor send anything out.
//
// Qt WebEngine's switch for local file access either blocks every local sub-resource,
// pictures included, or treats all local files as one origin; so the switch stays on and
// this guard decides, on real paths (links followed), what a local page reaches:
// - a web page never reaches a local file;
// - a local page reaches no other host (no WebSocket, beacon, form, picture or script from
//   the web), only local files, data: and blob: addresses;
// - anything in its companion folder ("name.files/");
// - when its scripts are off, also passive content (pictures, style sheets, fonts, media)
//   in its own folder or anywhere in the notes store: a report in the temporary folder shows
//   the pictures of the notes it was made from. With scripts on, a script could draw such a
//   picture on a canvas and read it, so only the companion folder is left.
// Local pages keep no storage (local and session storage, IndexedDB, caches, cookies), so one
// note cannot read what another stored, and windows open only on a user gesture.
#include <QStringList>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

class TLocalContentGuard : public QWebEngineUrlRequestInterceptor {
public:
    // The profile's guard judges every page by the settings; a page's own guard (page given,
    // its parent) also counts the page's scripts as on whenever its settings have them on,
    // also while it still shows a local document during a navigation to the web.
    explicit TLocalContentGuard(QObject* parent, QWebEnginePage* page = nullptr)
        : QWebEngineUrlRequestInterceptor(parent), FPage(page) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a sub-resource request may load for the top-level document firstParty, whose
    // scripts run or not (scriptsOn). Top-level navigations are judged by AllowsNavigation.
    static bool Allows(const QUrl& request, const QUrl& firstParty, QWebEngineUrlRequestInfo::ResourceType type,
                       const QString& storeRoot, bool scriptsOn);

    // Whether the page showing from may go to `to` at top level by a navigation of this type.
    // The user's and the program's own navigations (typed, reload, back and forward) always
    // may; a local page neither submits forms nor moves by itself (redirects), and its links
    // reach local files only inside the folders of localRoots (the store, the program folder),
    // but for a folder listing's links.
    static bool AllowsNavigation(const QUrl& to, const QUrl& from, QWebEnginePage::NavigationType type,
                                 const QStringList& localRoots);

    // Whether a local top-level page runs scripts: folder listings, which the engine draws
    // with its own script, always; other local pages only with localScripts and only inside
    // the notes store, so the index page, reports and other local files never run scripts.
    // (Web pages run scripts as the profile's settings say.)
    static bool RunsScripts(const QUrl& localPage, bool localScripts, const QString& storeRoot);

    // The real path of a file or folder (links followed, no "." or ".."), "" when it is missing.
    static QString RealPath(const QString& path);

private:
    QWebEnginePage* FPage;
};

// The folders that links of local pages may lead to: the notes store and the program folder
// (the index pages, help).
QStringList LocalNavigationRoots();
// The notes store's root as the settings name it.
QString StoreRoot();

// The web settings every browser page of the program gets: scripts and pictures on, local
// pages kept from remote addresses and from storage, windows only on a user gesture, local
// files reachable only through the guard above.
void ConfigureWebProfile(QWebEngineProfile* profile);

// Gives a page its own guard and keeps its scripts' setting in line with the document it
// shows, also after a navigation that left the document in place (a download, no content).
void GuardPage(QWebEnginePage* page);
// Applies to a page the settings for the top-level address it goes to: scripts on or off
// (see RunsScripts). With liveOnly the page keeps its document: scripts are only ever turned
// off then, never on for a document that was loaded without them.
void ApplyPageSettings(QWebEnginePage* page, const QUrl& url, bool liveOnly = false);
