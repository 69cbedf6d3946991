// The browser window and its web engine on real pages (run under xvfb): local pages show their
// own pictures but their scripts read no other file, the page accessors the pane uses, and
// the window's placement, address box, notes panel and favorites (its settings: BrowserSettings).
#include "BrowserTestWindow.h"
#include "hosts/BrowserDialogs.h"
#include "hosts/FormPlacement.h"
#include "hosts/frmBrowser.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "support/GuiTestEnvironment.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QWebEngineView>

namespace {

const std::string PngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC";

void WritePng(const std::string& path) {
    GuiTestEnv::WriteFile(path, QByteArray::fromBase64(QByteArray::fromStdString(PngBase64)).toStdString());
}

bool LoadAndWait(QWebEnginePage* page, const QUrl& url) {
    QSignalSpy spy(page, &QWebEnginePage::loadFinished);
    page->load(url);
    return spy.wait(30000) && spy.first().first().toBool();
}

QString TitleAfterScripts(QWebEnginePage* page) {
    QTest::qWaitFor([&] { return page->title().startsWith("done"); }, 15000);
    return page->title();
}

}  // namespace

class TestBrowserWindow : public QObject {
    Q_OBJECT
    std::string FStore;

private slots:
    void init() { FStore = BrowserTest::ResetSettings(); }

    // A captured page's scripts try to read other files; its own picture still shows.
    void localPageShowsItsPicturesButReadsNoOtherFile() {
        const std::string dir = GuiTestEnv::MakeTempDir("captured");
        WritePng(dir + "note.files/a.png");
        GuiTestEnv::WriteFile(dir + "note.files/data.txt", "own");
        GuiTestEnv::WriteFile(dir + "secret.txt", "secret");
        WritePng(GuiTestEnv::Root() + "elsewhere.png");
        std::string html = GuiTestEnv::ReadFile(QB_HOSTS_TEST_DATA "/guard.html");
        html.replace(html.find("@ROOT@"), 6, GuiTestEnv::Root());
        GuiTestEnv::WriteFile(dir + "note.html", html);
        QWebEngineView view;
        view.setPage(new QWebEnginePage(TfrmBrowser::Profile(), &view));
        view.resize(400, 300);
        view.show();
        QVERIFY(LoadAndWait(view.page(), QUrl::fromLocalFile(QString::fromStdString(dir + "note.html"))));
        QCOMPARE(TitleAfterScripts(view.page()),
                 QString("done own=1 other=0 data=own sibling=blocked passwd=blocked frame=blocked"));
    }

    void documentAccessorsReadTheLivePage() {
        const std::string dir = GuiTestEnv::MakeTempDir("doc");
        GuiTestEnv::WriteFile(dir + "page.html",
                              "<html><head><meta charset=\"windows-1252\"><title>Caf\xe9 page</title></head>"
                              "<body><p id=\"p\">Some <b>bold</b> text</p></body></html>");
        auto window = BrowserTest::ShowWindow(QString::fromStdString(dir + "page.html"));
        QTRY_VERIFY_WITH_TIMEOUT(window->actPrint->isEnabled(), 30000);
        QVERIFY(window->actSaveTo->isEnabled());
        TfrmMain* pane = window->frmNotes();
        QCOMPARE(pane->GetWebBrowser(), static_cast<TWebBrowser*>(window->Browser()));
        QCOMPARE(pane->GetDocTitle(), QString::fromUtf8("Caf\u00e9 page"));
        TWebDocument* doc = pane->GetDoc();
        QVERIFY(doc);
        QCOMPARE(doc->Location(), QUrl::fromLocalFile(QString::fromStdString(dir + "page.html")).toString());
        QCOMPARE(doc->Charset(), QString("windows-1252"));
        QVERIFY(doc->BodyHtml().contains("Some <b>bold</b> text"));
        QString html = "x";
        QVERIFY(doc->SelectionHtml(html));
        QCOMPARE(html, QString());
        QVERIFY(doc->ExecCommand("selectAll"));
        QVERIFY(doc->SelectionHtml(html));
        QVERIFY(html.contains("<b>bold</b>"));
        QVERIFY(doc->ExecCommand("foreColor", "#FF0000"));
        QVERIFY(doc->BodyHtml().contains("color"));
        QVERIFY(doc->ExecCommand("unselect"));
        QVERIFY(doc->SelectionHtml(html));
        QCOMPARE(html, QString());
    }

    void toolbarCarriesEveryAction() {
        TfrmBrowser window;
        struct TRow { QAction* Action; const char* Caption; const char* Hint; };
        const TRow rows[] = {{window.actBack, "Back", "Back"}, {window.actForward, "Forward", "Forward"},
                             {window.actStop, "Stop", "Stop"}, {window.actRefresh, "Refresh", "Refresh"},
                             {window.actHome, "Home", "Home"}, {window.actSearch, "Search", "Search the Web"},
                             {window.actFavorites, "Favorites", "Favorites"}, {window.actOptions, "Options", "Options"},
                             {window.actPrint, "Print", "Print"},
                             {window.actHideNotes, "Show/Hide Notes", "Show/Hide Notes"},
                             {window.actSaveTo, "Save to...", "Save to..."}};
        QList<QAction*> buttons;
        for (QAction* a : window.tbNavigation()->actions())
            if (!a->isSeparator()) buttons << a;
        QCOMPARE(buttons.size(), int(std::size(rows)));
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i], rows[i].Action);
            QCOMPARE(buttons[i]->text(), QString(rows[i].Caption));
            QCOMPARE(buttons[i]->toolTip(), QString(rows[i].Hint));
        }
        QCOMPARE(window.tbNavigation()->actions().size() - buttons.size(), 5);  // the separators
    }

    // Top-level navigations set the address box; a frame's navigation does not, and an
    // address equal but for letter case is left as typed.
    void addressBoxFollowsTopLevelNavigationsOnly() {
        const std::string dir = GuiTestEnv::MakeTempDir("frames");
        GuiTestEnv::WriteFile(dir + "top.html", "<html><body><iframe id=\"f\" src=\"top.files/a.html\"></iframe></body></html>");
        GuiTestEnv::WriteFile(dir + "top.files/a.html", "<html><body>a</body></html>");
        GuiTestEnv::WriteFile(dir + "top.files/b.html", "<html><body>b</body></html>");
        auto window = BrowserTest::ShowWindow();
        QWebEnginePage* page = window->wbIE()->page();
        const QUrl top = QUrl::fromLocalFile(QString::fromStdString(dir + "top.html"));
        QVERIFY(LoadAndWait(page, top));
        QCOMPARE(window->edIEAddress()->currentText(), top.toString());
        QSignalSpy loads(page, &QWebEnginePage::loadFinished);
        page->runJavaScript("document.getElementById('f').src = 'top.files/b.html';");
        QTest::qWait(1500);
        QCOMPARE(window->edIEAddress()->currentText(), top.toString());
        window->edIEAddress()->setEditText(top.toString().toUpper());
        page->triggerAction(QWebEnginePage::Reload);
        QVERIFY(loads.wait(30000));
        QCOMPARE(window->edIEAddress()->currentText(), top.toString().toUpper());
        QVERIFY(window->edIEAddress()->History().contains(top.toString()));
    }

    void hidingTheNotesKeepsThePane() {
        FileSystem::ForceDirectories(FStore + "Trips");
        auto window = BrowserTest::ShowWindow();
        TfrmMain* pane = window->frmNotes();
        const int folders = int(pane->Model()->Root()->Children.size());
        window->actHideNotes->trigger();
        QVERIFY(!window->pnlNotes()->isVisible());
        QVERIFY(!window->actHideNotes->isChecked());
        // The splitter lays itself out again when the event loop runs.
        QTRY_VERIFY2(window->Splitter1()->handle(1)->isVisible(), "the splitter stays");
        QTRY_COMPARE(window->pnlIE()->x(), window->Splitter1()->handleWidth());  // the bar keeps its place at the left
        window->actHideNotes->trigger();
        QVERIFY(window->pnlNotes()->isVisible());
        QCOMPARE(window->frmNotes(), pane);
        QCOMPARE(int(pane->Model()->Root()->Children.size()), folders);
    }

    void closingKeepsWidthAndPlacement() {
        {
            auto window = BrowserTest::ShowWindow();
            window->setGeometry(120, 130, 640, 480);
            QTRY_COMPARE(window->size(), QSize(640, 480));
            window->Splitter1()->setSizes({230, window->Splitter1()->width() - 230 - window->Splitter1()->handleWidth()});
            QTRY_COMPARE(window->Splitter1()->sizes().value(0), 230);
        }
        TOptions loaded;
        QVERIFY(loaded.Load());
        QCOMPARE(loaded.NotesTreeWidth, 230);
        TRegistry reg;
        QVERIFY(reg.OpenKeyReadOnly(FormPlacement::PlacementKey));
        for (const char* name : {"Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos"}) QVERIFY2(reg.ValueExists(name), name);
        QCOMPARE(reg.ReadString("ShowCmd"), std::string("1"));
        const auto rect = FormPlacement::ParseRect(reg.ReadString("NormPos"));
        QVERIFY(rect);
        QCOMPARE(rect->size(), QSize(640, 480));
        TfrmBrowser again;
        QCOMPARE(again.geometry().size(), QSize(640, 480));
    }

    // Print and Save to show pictures of printing and of saving to a file, not the styles'
    // disk pictures.
    void printAndSaveToHaveTheirOwnPictures() {
        TfrmBrowser window;
        const auto image = [](const QIcon& icon) { return icon.pixmap(26, 26).toImage().convertToFormat(QImage::Format_ARGB32); };
        const QImage print = image(window.actPrint->icon()), save = image(window.actSaveTo->icon());
        QVERIFY(!print.isNull() && !save.isNull());
        QVERIFY(print != save);
        for (auto disk : {QStyle::SP_DialogSaveButton, QStyle::SP_DriveHDIcon, QStyle::SP_DriveFDIcon}) {
            const QImage picture = image(window.style()->standardIcon(disk));
            QVERIFY2(print != picture, "Print shows a disk");
            QVERIFY2(save != picture, "Save to shows a disk");
        }
    }

    // The address box's list offers the addresses typed and the pages visited, newest first,
    // and leaves the text in the box alone.
    void addressListOffersTypedAndVisitedAddresses() {
        const std::string dir = GuiTestEnv::MakeTempDir("visited");
        GuiTestEnv::WriteFile(dir + "a.html", "<html><body>a</body></html>");
        auto window = BrowserTest::ShowWindow();
        TIEAddress* box = window->edIEAddress();
        const QUrl visited = QUrl::fromLocalFile(QString::fromStdString(dir + "a.html"));
        QVERIFY(LoadAndWait(window->wbIE()->page(), visited));
        QTRY_VERIFY(box->findText(visited.toString()) >= 0);
        const QString typed = QUrl::fromLocalFile(QString::fromStdString(dir + "typed.html")).toString();
        QSignalSpy entered(box, &TIEAddress::AddressEntered);
        box->setEditText(typed);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->itemText(0), typed);
        // Return on a listed address, leaving the box, the arrow keys: one navigation only.
        box->setEditText(visited.toString());
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Down);
        box->hidePopup();
        window->wbIE()->setFocus();
        QCOMPARE(entered.count(), 2);
        box->setEditText(typed);
        box->AddToHistory(typed);
        QVERIFY(box->findText(visited.toString()) > 0);
        box->setEditText("half typ");
        box->AddToHistory(visited.toString());
        QCOMPARE(box->currentText(), QString("half typ"));
        QCOMPARE(box->itemText(0), visited.toString());
        QCOMPARE(box->itemText(1), typed);
        QCOMPARE(box->findText("half typ"), -1);
    }

    void placementRectText() {
        QCOMPARE(FormPlacement::FormatRect(QRect(10, 20, 300, 200)), std::string("10,20,310,220"));
        QCOMPARE(FormPlacement::ParseRect("10,20,310,220"), std::optional<QRect>(QRect(10, 20, 300, 200)));
        for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "10,10,5,20", "a,b,c,d", "1,2,3,4x"})
            QVERIFY2(!FormPlacement::ParseRect(bad), bad);
    }

    void favoritesAcceptOnlyInternetShortcuts() {
        const std::string fav = GuiTestEnv::MakeTempDir("Favorites");
        GuiTestEnv::WriteFile(fav + "Site.URL", "[InternetShortcut]\r\nURL=https://example.org/site\r\n");
        GuiTestEnv::WriteFile(fav + "Empty.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
        GuiTestEnv::WriteFile(fav + "notes.txt", "URL=https://example.org/\r\n");
        FileSystem::ForceDirectories(fav + "Folder.url");
        QVERIFY(TFavoritesDialog::IsFavoriteFile(QString::fromStdString(fav + "Site.URL")));
        QVERIFY(TFavoritesDialog::IsFavoriteFile(QString::fromStdString(fav + "Empty.url")));
        QVERIFY(!TFavoritesDialog::IsFavoriteFile(QString::fromStdString(fav + "notes.txt")));
        QVERIFY(!TFavoritesDialog::IsFavoriteFile(QString::fromStdString(fav + "Folder.url")));
        QVERIFY(!TFavoritesDialog::IsFavoriteFile(QString()));
        QCOMPARE(TFavoritesDialog::ShortcutURL(QString::fromStdString(fav + "Site.URL")), QString("https://example.org/site"));
        QCOMPARE(TFavoritesDialog::ShortcutURL(QString::fromStdString(fav + "Empty.url")), QString());
        QCOMPARE(TFavoritesDialog::ShortcutURL(QString::fromStdString(fav + "missing.url")), QString());

        TFavoritesDialog dialog(nullptr, QString::fromStdString(fav));
        QCOMPARE(dialog.windowTitle(), QString("Internet Favorites"));
        dialog.selectFile(QString::fromStdString(fav + "notes.txt"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void searchUrl() {
        QCOMPARE(TfrmBrowser::SearchUrl("").query(), QString());
        QCOMPARE(TfrmBrowser::SearchUrl(" rome & pasta ").query(QUrl::FullyEncoded), QString("q=rome%20%26%20pasta"));
    }
};

QB_GUI_TEST_MAIN(TestBrowserWindow)
#include "BrowserWindow.moc"
