// The browser window's keys (run under xvfb): each command has the keys every browser gives
// it, the find bar finds text in the page, Escape belongs to the find bar while it has the
// focus, and the zoom keys step the page's size. Also the words a search result highlights.
#include "hosts/WebEngineBrowser.h"
#include "hosts/frmBrowser.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "support/GuiTestEnvironment.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QWebEngineView>

class TestBrowserKeys : public QObject {
    Q_OBJECT
    std::string FStore;

    std::unique_ptr<TfrmBrowser> ShowPage(const std::string& file) {
        auto window = std::make_unique<TfrmBrowser>(QString::fromStdString(file));
        QSignalSpy loaded(window->wbIE()->page(), &QWebEnginePage::loadFinished);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
        if (!loaded.wait(30000)) qWarning("page not loaded");
        return window;
    }

private slots:
    void init() { FStore = GuiTestEnv::ResetOptions(); }

    void everyCommandHasTheBrowsersKeys() {
        const std::string page = FStore + "page.html";
        GuiTestEnv::WriteFile(page, "<html><body>text</body></html>");
        auto window = ShowPage(page);
        struct Case { QAction* action; QList<QKeySequence> keys; };
        const Case cases[] = {
            {window->actBack, {QKeySequence("Alt+Left")}},
            {window->actForward, {QKeySequence("Alt+Right")}},
            {window->actRefresh, {QKeySequence("F5"), QKeySequence("Ctrl+R")}},
            {window->actStop, {QKeySequence("Esc")}},
            {window->actAddress, {QKeySequence("Ctrl+L"), QKeySequence("F6")}},
            {window->actPrint, {QKeySequence("Ctrl+P")}},
            {window->actSaveTo, {QKeySequence("Ctrl+S")}},
            {window->actFind, {QKeySequence("Ctrl+F")}},
            {window->actZoomIn, {QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")}},
            {window->actZoomOut, {QKeySequence("Ctrl+-")}},
            {window->actZoomReset, {QKeySequence("Ctrl+0")}},
        };
        for (const Case& c : cases) QCOMPARE(c.action->shortcuts(), c.keys);
        // No key of the window is taken twice, and the pane's commands take none.
        QList<QKeySequence> all;
        for (const QAction* action : window->findChildren<QAction*>()) all += action->shortcuts();
        for (const QKeySequence& key : all) QCOMPARE(all.count(key), qsizetype(1));
        for (const QAction* action : window->frmNotes()->lstActs()) QVERIFY(action->shortcuts().isEmpty());

        // The keys reach their commands from the page.
        window->wbIE()->setFocus();
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(window->edIEAddress()->lineEdit()->hasFocus());
        QCOMPARE(window->edIEAddress()->lineEdit()->selectedText(), window->edIEAddress()->currentText());
        QTest::keyClick(window.get(), Qt::Key_Equal, Qt::ControlModifier);
        QTRY_COMPARE(window->wbIE()->zoomFactor(), 1.1);
        window->ZoomPage(1);
        QCOMPARE(window->wbIE()->zoomFactor(), 1.25);
        window->ZoomPage(-1);
        window->ZoomPage(-1);
        window->ZoomPage(-1);
        QCOMPARE(window->wbIE()->zoomFactor(), 0.9);
        QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
        QTRY_COMPARE(window->wbIE()->zoomFactor(), 1.0);
        for (int i = 0; i < 30; ++i) window->ZoomPage(-1);
        QCOMPARE(window->wbIE()->zoomFactor(), 0.25);
    }

    void findBarCountsMatchesAndEscapeClosesOnlyIt() {
        const std::string page = FStore + "fruit.html";
        GuiTestEnv::WriteFile(page, "<html><body><p>apple pear apple plum apple</p></body></html>");
        auto window = ShowPage(page);
        TFindBar* bar = window->FindBar();
        QVERIFY(!bar->isVisible());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(bar->isVisible() && bar->edFind()->hasFocus());
        QTest::keyClicks(bar->edFind(), "apple");
        QTRY_COMPARE(bar->lblResult()->text(), QString("1 of 3"));
        QTest::keyClick(bar->edFind(), Qt::Key_Return);
        QTRY_COMPARE(bar->lblResult()->text(), QString("2 of 3"));
        QTest::keyClick(bar->edFind(), Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE(bar->lblResult()->text(), QString("1 of 3"));
        bar->edFind()->setText("cherry");
        QTRY_COMPARE(bar->lblResult()->text(), QString("No matches"));
        QSignalSpy stops(window->actStop, &QAction::triggered);
        QTest::keyClick(bar->edFind(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(stops.count(), 0);
        // Escape in the page is the browser's Stop again.
        window->wbIE()->setFocus();
        QTest::keyClick(window->wbIE()->focusProxy() ? window->wbIE()->focusProxy() : window->wbIE(), Qt::Key_Escape);
        QTRY_COMPARE(stops.count(), 1);
    }

    // Whole words unless starred, without regard to case or accents, in the page's text only;
    // what the page gives to a capture has no marks.
    void highlightedWordsAreMarkedOnceTheNoteHasLoaded() {
        const std::string start = FStore + "start.html", note = FStore + "note.html";
        GuiTestEnv::WriteFile(start, "<html><body>start</body></html>");
        GuiTestEnv::WriteFile(note, "<html><head><title>Cafe</title><style>.cafe{}</style></head><body>"
                                    "<p>The Caf&eacute; near the <b>Colosseum</b>; CAFE culture, cafeteria, "
                                    "colossal colour, acolour.</p><textarea>cafe</textarea>"
                                    "<svg><text x='0' y='15'>cafe</text></svg></body></html>");
        auto window = ShowPage(start);
        window->Browser()->Navigate(QString::fromStdString(note));
        window->Browser()->HighlightWords({"cafe", "colo*"});
        TWebEngineDocument page(window->wbIE()->page());
        QVariant marks;
        const QString marked = "Array.from(document.querySelectorAll('mark')).map(function(m){return m.textContent;}).join('|')";
        QTRY_VERIFY_WITH_TIMEOUT(page.RunScript(marked, marks) && !marks.toString().isEmpty(), 30000);
        QCOMPARE(marks.toString(), QString("Café|Colosseum|CAFE|colossal|colour"));
        QVERIFY(!page.BodyHtml().contains("<mark"));
        QVERIFY(page.BodyHtml().contains("The Café near the <b>Colosseum</b>; CAFE culture"));
        // A page opened without words gets none.
        QSignalSpy loaded(window->wbIE()->page(), &QWebEnginePage::loadFinished);
        window->Browser()->Navigate(QString::fromStdString(note), QString(), true);
        QVERIFY(loaded.wait(30000));
        QTest::qWait(300);
        QVERIFY(page.RunScript("document.querySelectorAll('mark').length", marks));
        QCOMPARE(marks.toInt(), 0);
    }
};

QB_GUI_TEST_MAIN(TestBrowserKeys)
#include "BrowserKeys.moc"
