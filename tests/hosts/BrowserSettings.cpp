// The browser window's settings, on the offscreen platform: the window takes the store folder
// and the notes panel's width from the settings object and gives the width back to it when it
// closes, so what the window saved is what the settings load at the next start.
#include "BrowserTestWindow.h"
#include "platform/Registry.h"
#include "settings/Options.h"

namespace {

void WriteSettings(const std::function<void(TRegistry&)>& write) {
    TRegistry reg;
    QVERIFY(reg.OpenKey(TOptions::RegistryKey, true));
    write(reg);
    reg.CloseKey();
}

}  // namespace

class TestBrowserSettings : public QObject {
    Q_OBJECT
    std::string FStore;

private slots:
    void init() { FStore = BrowserTest::ResetSettings(); }

    void windowStartsOnTheStoreWithStoredWidth() {
        WriteSettings([](TRegistry& r) { r.WriteInteger("_NotesTreeWidth", 150); });
        QVERIFY(Options->Load());
        auto window = BrowserTest::ShowWindow();
        QCOMPARE(window->windowTitle(), QString("Quillbox 1.31"));
        QCOMPARE(window->HomeFolder(), FStore);
        QTRY_COMPARE_WITH_TIMEOUT(window->wbIE()->url(), QUrl::fromLocalFile(QString::fromStdString(FStore)), 30000);
        QCOMPARE(window->pnlNotes()->width(), 150);
        QVERIFY(window->NotesVisible() && window->actHideNotes->isChecked());
        QCOMPARE(window->Splitter1()->handleWidth(), 3);
    }

    // The window takes its values from the settings object, never from the registry file
    // itself: what the settings hold is what it shows, whatever the file says meanwhile.
    void windowReadsTheSettingsObjectNotTheFile() {
        WriteSettings([](TRegistry& r) {
            r.WriteString("FolderToStore", "/elsewhere/");
            r.WriteInteger("_NotesTreeWidth", 150);
        });
        Options->NotesTreeWidth = 170;
        auto window = BrowserTest::ShowWindow();
        QCOMPARE(window->HomeFolder(), FStore);
        QCOMPARE(window->pnlNotes()->width(), 170);
    }

    // A missing store value is written back by the settings' Load from their own default,
    // which the window and the pane then share; a width of the wrong type stops Load there
    // and the panel keeps the default width.
    void missingOrBadSettingsTakeDefaults() {
        WriteSettings([](TRegistry& r) {
            r.DeleteValue("FolderToStore");
            r.WriteString("_NotesTreeWidth", "wide");
        });
        Options = std::make_unique<TOptions>();
        QVERIFY(!Options->Load());
        auto window = BrowserTest::ShowWindow();
        QCOMPARE(window->HomeFolder(), Options->FolderToStore);
        QCOMPARE(window->pnlNotes()->width(), 200);
    }

    // The width the user set is what the next start gets, however the window ends: closed by
    // the user (and so hidden first), with the notes panel shown or hidden.
    void closedWindowKeepsTheWidthTheUserSet_data() {
        QTest::addColumn<bool>("hideNotes");
        QTest::newRow("notes shown") << false;
        QTest::newRow("notes hidden") << true;
    }
    void closedWindowKeepsTheWidthTheUserSet() {
        QFETCH(bool, hideNotes);
        {
            auto window = BrowserTest::ShowWindow();
            QSplitter* splitter = window->Splitter1();
            splitter->setSizes({350, splitter->width() - 350 - splitter->handleWidth()});
            QTRY_COMPARE(window->pnlNotes()->width(), 350);
            if (hideNotes) window->actHideNotes->trigger();
            window->close();
            QVERIFY(!window->isVisible());
        }
        TOptions loaded;
        QVERIFY(loaded.Load());
        QCOMPARE(loaded.NotesTreeWidth, 350);
    }
};

QB_GUI_TEST_MAIN(TestBrowserSettings)
#include "BrowserSettings.moc"
