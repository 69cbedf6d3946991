// Capture from a real Qt WebEngine page (run under xvfb): the selection, the entire page, all
// images and an empty note, each written on disk with its info block and pictures; the page's
// own pictures are fetched from its site, while its file: picture is never read; with
// MarkSelection on, the captured text is really coloured in the page and then unselected.
#include "hosts/frmBrowser.h"
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QWebEngineView>

namespace {

const std::string PngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QVariant RunInPage(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000)) qWarning("the page did not answer");
    return result;
}

}  // namespace

class TestCapture : public QObject {
    Q_OBJECT
    std::string FStore;
    std::string FSecret;
    TTinyHttpServer FSite;
    std::unique_ptr<TfrmBrowser> FWindow;

    QWebEnginePage* Page() { return FWindow->wbIE()->page(); }
    TfrmMain* Pane() { return FWindow->frmNotes(); }
    std::string Note(const char* name) { return FStore + "Web/" + name + ".html"; }

private slots:
    void initTestCase() {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        FSecret = GuiTestEnv::MakeTempDir("private") + "secret.png";
        GuiTestEnv::WriteFile(FSecret, QByteArray::fromBase64(QByteArray::fromStdString(PngBase64)).toStdString());
        FSite.Responses["/img/logo.png"] = TTinyHttpServer::Ok(QByteArray::fromBase64(QByteArray::fromStdString(PngBase64)), "image/png");
        FSite.Responses["/article.html"] = TTinyHttpServer::Ok(
            "<html><head><title>Article</title></head><body><h1>Heading</h1>"
            "<p id=\"pick\">picked <b>words</b></p><p>rest of the page</p>"
            "<img src=\"img/logo.png\"><img src=\"file://" + QByteArray::fromStdString(FSecret) + "\"></body></html>",
            "text/html; charset=utf-8");
        FStore = GuiTestEnv::ResetOptions();
        FileSystem::ForceDirectories(FStore + "Web");
        Options->DefFolder = "Web";
        Options->ConfirmAddNote = false;
        Options->NoteAddToLast = false;
        Options->MarkSelection = true;
        Options->Save();
        FWindow = std::make_unique<TfrmBrowser>(FSite.Url("/article.html"));
        QSignalSpy loaded(Page(), &QWebEnginePage::loadFinished);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        QVERIFY(loaded.wait(30000) || Page()->url().toString().endsWith("/article.html"));
        QTRY_COMPARE_WITH_TIMEOUT(Page()->title(), QString("Article"), 15000);
    }
    void cleanupTestCase() { FWindow.reset(); }

    void selectionIsCapturedColouredAndUnselected() {
        RunInPage(Page(), "var r = document.createRange(); r.selectNodeContents(document.getElementById('pick'));"
                          "var s = window.getSelection(); s.removeAllRanges(); s.addRange(r); true");
        Pane()->actAddSelectionExecute(10);
        const std::string text = GuiTestEnv::ReadFile(Note("Article"));
        QVERIFY2(Contains(text, "picked <b>words</b>"), text.c_str());
        QVERIFY(!Contains(text, "rest of the page"));
        ReportUtils::TNoteInfo info;
        QVERIFY(ReportUtils::LoadNodeFromFile(Note("Article"), info));
        QCOMPARE(QString::fromStdU16String(info.OriginalURL), FSite.Url("/article.html"));
        QCOMPARE(QString::fromStdU16String(info.OriginalTitle), QString("Article"));
        // Coloured in the page (black on yellow, the default colours), then unselected.
        const QString colours = RunInPage(Page(), "var e = document.querySelector('#pick [style], #pick font');"
                                                  "e ? getComputedStyle(e).backgroundColor : ''").toString();
        QCOMPARE(colours, QString("rgb(255, 255, 0)"));
        QCOMPARE(RunInPage(Page(), "window.getSelection().rangeCount === 0 || window.getSelection().isCollapsed").toBool(), true);
        QCOMPARE(RunInPage(Page(), "document.designMode").toString(), QString("off"));
    }

    void entirePageKeepsItsWebPicturesButNoLocalFile() {
        Pane()->actAddSelectionExecute(60);
        const std::string text = GuiTestEnv::ReadFile(Note("Article-1"));
        QVERIFY2(Contains(text, "<h1>Heading</h1>") && Contains(text, "rest of the page"), text.c_str());
        QVERIFY2(Contains(text, "<img src=\"Article-1.files/logo.png\">"), text.c_str());
        QVERIFY(FileSystem::FileExists(FStore + "Web/Article-1.files/logo.png"));
        QVERIFY(!FileSystem::FileExists(FStore + "Web/Article-1.files/secret.png"));
        QVERIFY(Contains(text, "file://" + FSecret));  // left pointing where it pointed
        QCOMPARE(RunInPage(Page(), "window.getSelection().isCollapsed").toBool(), true);
    }

    void allImagesAndEmptyNote() {
        Options->MarkSelection = false;
        Pane()->actAddSelectionExecute(50);
        const std::string images = GuiTestEnv::ReadFile(Note("Images from Article"));
        QVERIFY2(Contains(images, "<p><img src=\"Images%20from%20Article.files/logo.png\"></p>"), images.c_str());
        QVERIFY(!Contains(images, "Heading"));
        Pane()->actAddSelectionExecute(20);
        const std::string empty = GuiTestEnv::ReadFile(Note("Article-2"));
        QVERIFY2(Contains(empty, "<body>\r\n\r\n</body>"), empty.c_str());
    }
};

QB_GUI_TEST_MAIN(TestCapture)
#include "Capture.moc"
