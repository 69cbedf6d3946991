// The pane's command table, its menus and the small commands: preferences, help, About, the
// web page and feedback, "Visible Save Dialog" and the favorites import.
#include "pane/fmAbout.h"
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"
#include "support/PaneCommandFakes.h"

#include <QLabel>
#include <QRegularExpression>

namespace {

// The names of a menu's actions in order, "-" for a separator.
QStringList Items(const QMenu* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) names << (action->isSeparator() ? "-" : action->objectName());
    return names;
}

std::string RegistryValue(const char* name) {
    TRegistry reg;
    reg.OpenKeyReadOnly(TOptions::RegistryKey);
    return reg.ValueExists(name) ? std::to_string(reg.ReadInteger(name)) : std::string();
}

}  // namespace

class TestFrmMainCommands : public QObject, TPaneRig {
    Q_OBJECT

private slots:
    void init() { ResetRig(); }

    void everyCommandHasItsCaptionHintTagCategoryAndImage() {
        struct Row { const char* name; int tag; const char* category; const char* caption; const char* hint; int image; };
        const Row rows[] = {
            {"actAddSelection", 10, "Notes", "Selection", "Add selection", -1},
            {"actAddEmpty", 20, "Notes", "Empty", "", -1},
            {"actAddClipboard", 30, "Notes", "Clipboard", "", -1},
            {"actAddAllImages", 50, "Notes", "All Images", "", -1},
            {"actAddPage", 60, "Notes", "Entire Page", "", -1},
            {"actAddFolder", 0, "Folders", "Add Sub-Folder", "Create new folder", -1},
            {"actAddFolderFromCur", 1, "Folders", "Add Folder", "", -1},
            {"actShowProps", 0, "Props", "Edit...", "Edit selected note...", 4},
            {"actDelete", 0, "Props", "Delete", "Delete selected", 8},
            {"actShowPrefs", 0, "Prefs", "Preferences...", "Preferences...", -1},
            {"actRepWizard", 0, "Reports", "Run Report Wizard...", "Run Report Wizard...", -1},
            {"actOpenRIndex", 0, "Prefs", "Open Reports Index", "", -1},
            {"actOpenNINdex", 0, "Prefs", "Notes Index", "Open Notes Index", 3},
            {"actOpenNode", 0, "Notes", "Open", "", -1},
            {"actRepDelete", 0, "Reports", "Delete", "", -1},
            {"actRepOpen", 0, "Reports", "Open", "", -1},
            {"actRepOpenNew", 0, "Reports", "Open in new window", "", -1},
            {"actHelpIndex", 0, "Help", "Step By Step", "Show Help Index", -1},
            {"actAbout", 0, "Help", "About", "", -1},
            {"actOpenSourceURL", 0, "Notes", "Open URL", "", -1},
            {"actSend", 0, "Prefs", "Send", "Send", 6},
            {"actRefresh", 0, "", "Refresh", "Refresh tree", 3},
            {"actWebPage", 0, "Help", "Web Page", "", -1},
            {"actEmail", 0, "Help", "Feedback E-mail", "", -1},
            {"actOpenWithMSWord", 0, "", "Open With MS Word", "", -1},
            {"actShowConfirmDlg", 0, "Prefs", "Visible Save Dialog", "", -1},
            {"actImportFavorites", 0, "", "Import Favorites...", "", -1},
        };
        auto pane = MakePane();
        QCOMPARE(pane->lstActs().size(), qsizetype(std::size(rows)));
        for (const Row& row : rows) {
            const QAction* action = pane->Action(row.name);
            QVERIFY2(action, row.name);
            QCOMPARE(action->data().toInt(), row.tag);
            QCOMPARE(action->property("category").toString(), QString(row.category));
            if (QString(row.name) != "actOpenWithMSWord") QCOMPARE(action->text(), QString(row.caption));
            QCOMPARE(action->statusTip(), QString(row.hint));
            QCOMPARE(action->property("imageIndex").toInt(), row.image);
            QCOMPARE(action->icon().isNull(), row.image < 0);
            QVERIFY2(action->shortcuts().isEmpty(), row.name);  // the browser's keys stay the browser's
        }
        QVERIFY(pane->lstImages().size() > 8);
    }

    void menusPlaceTheCommandsInOrder() {
        auto pane = MakePane();
        QStringList titles;
        for (const QAction* item : pane->tbarMain()->actions()) titles << item->text();
        QCOMPARE(titles, QStringList({"Folders", "Note from", "?"}));
        QCOMPARE(pane->mnuFolders()->menuAction()->statusTip(), QString("Create new folder"));
        QCOMPARE(pane->mnuNoteFrom()->menuAction()->statusTip(), QString("Create new note"));
        QCOMPARE(Items(pane->mnuFolders()), QStringList({"actAddFolderFromCur", "actAddFolder", "-", "actRepWizard"}));
        QCOMPARE(Items(pane->mnuNoteFrom()), QStringList({"actAddEmpty", "-", "actAddClipboard", "actAddSelection", "-",
                                                          "actAddAllImages", "-", "actAddPage"}));
        QCOMPARE(Items(pane->mnuHelp()),
                 QStringList({"actHelpIndex", "-", "actShowConfirmDlg", "actShowPrefs", "-", "actImportFavorites", "-",
                              "actWebPage", "actEmail", "-", "actAbout"}));
        QCOMPARE(Items(pane->popTree()), QStringList({"actShowProps", "actOpenNode", "actOpenWithMSWord",
                                                      "actOpenSourceURL", "actSend", "actRefresh", "-", "actDelete"}));
        QVERIFY(!pane->Action("actRepWizard")->isVisible());
        // The index pages and the report commands stand on no menu.
        for (const char* name : {"actOpenNINdex", "actOpenRIndex", "actRepDelete", "actRepOpen", "actRepOpenNew"})
            QVERIFY2(pane->Action(name)->associatedObjects().isEmpty(), name);
    }

    void toolbarWrapsWhenNarrow() {
        auto pane = MakePane();
        pane->resize(400, 300);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        const int wide = pane->tbarMain()->height();
        QCOMPARE(pane->tbarMain()->width(), pane->width());
        pane->resize(60, 300);
        QTRY_VERIFY(pane->tbarMain()->height() > wide);
        QCOMPARE(pane->tbarMain()->actions().size(), 3);
    }

    void rightClickSelectsTheNodeBeforeTheMenu() {
        FileSystem::ForceDirectories(FStore + "A");
        FileSystem::ForceDirectories(FStore + "B");
        auto pane = MakePane();
        pane->resize(300, 300);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        TNotesTreeView* tree = pane->treeNotes();
        const QModelIndex b = pane->Model()->index(1, 0);
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualRect(b).center());
        QCOMPARE(tree->currentIndex(), b);
        QCOMPARE(pane->FocusedNode()->Data->Name, QString("B"));
    }

    void visibleSaveDialogFollowsTheSettingAndSavesEachChange() {
        auto pane = MakePane();
        QAction* check = pane->Action("actShowConfirmDlg");
        QVERIFY(Options->ConfirmAddNote);
        emit pane->mnuHelp()->aboutToShow();
        QVERIFY(check->isChecked());
        check->trigger();
        QVERIFY(!Options->ConfirmAddNote);
        QCOMPARE(RegistryValue("ConfirmAddNote"), std::string("0"));
        check->trigger();
        QVERIFY(Options->ConfirmAddNote);
        QCOMPARE(RegistryValue("ConfirmAddNote"), std::string("1"));
        // A change made elsewhere shows the next time "?" opens.
        Options->ConfirmAddNote = false;
        QVERIFY(check->isChecked());
        emit pane->mnuHelp()->aboutToShow();
        QVERIFY(!check->isChecked());
    }

    void preferencesReloadAndRebuildOnlyWhenAccepted() {
        FileSystem::ForceDirectories(FStore + "A");
        auto pane = MakePane();
        // The dialog edits the registry values; here it turns the hints off and a folder appears.
        FDialogs->OnPrefs = [&](int) {
            TRegistry reg;
            reg.OpenKey(TOptions::RegistryKey, true);
            reg.WriteInteger("ShowHints", 0);
            FileSystem::ForceDirectories(FStore + "B");
            return false;
        };
        Options->ShowHints = true;
        pane->actShowPrefsExecute();
        QCOMPARE(FDialogs->PrefsPages, std::vector<int>({0}));
        QVERIFY(Options->ShowHints);
        QCOMPARE(pane->Model()->rowCount(), 1);
        FDialogs->OnPrefs = [](int) { return true; };
        pane->actShowPrefsExecute();
        // Saved before the dialog: what the cancelled run wrote was overwritten by the settings.
        QVERIFY(Options->ShowHints);
        QCOMPARE(pane->Model()->rowCount(), 2);
        FDialogs->OnPrefs = [&](int) {
            TRegistry reg;
            reg.OpenKey(TOptions::RegistryKey, true);
            reg.WriteInteger("ShowHints", 0);
            return true;
        };
        pane->actShowPrefsExecute();
        QVERIFY(!Options->ShowHints);
        QVERIFY(!pane->Model()->ShowHints());
    }

    void favoritesImportOpensTheImportedFolderOrChangesNothing() {
        FileSystem::ForceDirectories(FStore + "Old");
        Options->DefFolder = "Old";
        auto pane = MakePane();
        const TNode* before = pane->FocusedNode();
        FileSystem::RemoveTree(Folders::FavoritesFolder());
        pane->actImportFavoritesExecute();
        QCOMPARE(Options->DefFolder, std::string("Old"));
        QCOMPARE(pane->FocusedNode(), before);  // the tree was not rebuilt
        GuiTestEnv::WriteFile(Folders::FavoritesFolder() + "/News.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
        pane->actImportFavoritesExecute();
        QVERIFY(Options->DefFolder != "Old");
        QCOMPARE(pane->GetNodePath(pane->FocusedNode()).toStdString(), Options->DefFolder);
        QVERIFY(pane->treeNotes()->isExpanded(pane->Model()->IndexOf(pane->FocusedNode())));
        QCOMPARE(pane->FocusedNode()->Children.size(), size_t(1));
        QCOMPARE(FPrompt->Captions.back(), std::string("Import"));
    }

    void helpAndWebPageOpenTheShippedHelpFeedbackOpensAMessage() {
        auto pane = MakePane();
        pane->actHelpIndexExecute();
        pane->actWebPageExecute();
        QVERIFY(FBrowser.Navigations.empty());  // no help page yet
        const std::string help = Options->AppPath + "Help/qlbox.html";
        GuiTestEnv::WriteFile(help, "<html><body>Help</body></html>");
        pane->actHelpIndexExecute();
        pane->actWebPageExecute();
        QCOMPARE(FBrowser.Navigations.size(), size_t(2));
        for (const auto& n : FBrowser.Navigations) {
            QCOMPARE(n.Address.toStdString(), help);
            QCOMPARE(n.Target, QString());
        }
        pane->actEmailExecute();
        QCOMPARE(FLauncher.Calls, std::vector<std::vector<std::string>>({{"xdg-open", "mailto:?subject=Quillbox"}}));
        // A failed start ends the command quietly.
        FLauncher.Result = false;
        pane->actEmailExecute();
        QCOMPARE(FPrompt->Texts.size(), size_t(0));
    }

    void shippedHelpShowsPicturesThatExistAtTheirSize() {
        QFile file(QB_SOURCE_DATA_DIR "/Help/qlbox.html");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        const QRegularExpression img("<img src=\"([^\"]+)\" width=\"(\\d+)\" height=\"(\\d+)\"");
        int pictures = 0;
        for (const QRegularExpressionMatch& m : img.globalMatch(page)) {
            const QImage picture(QB_SOURCE_DATA_DIR "/Help/" + m.captured(1));
            QVERIFY2(!picture.isNull(), qPrintable(m.captured(1)));
            QCOMPARE(picture.size(), QSize(m.captured(2).toInt(), m.captured(3).toInt()));
            ++pictures;
        }
        QVERIFY(pictures >= 3);
        // Every section the table of contents points to is there.
        for (const QRegularExpressionMatch& m : QRegularExpression("href=\"#(\\w+)\"").globalMatch(page))
            QVERIFY2(page.contains("id=\"" + m.captured(1) + "\""), qPrintable(m.captured(1)));
    }

    void aboutBoxClosesWithOkOnAClickAndCancelOnEscape() {
        TfmAbout form;
        QCOMPARE(form.size(), QSize(325, 325));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form.imgAbout()->pixmap().size(), QSize(325, 325));
        struct Case { std::function<void(TfmAbout*)> act; int result; };
        const Case cases[] = {
            {[](TfmAbout* f) { QTest::mouseClick(f->imgAbout(), Qt::LeftButton); }, QDialog::Accepted},
            {[](TfmAbout* f) { QTest::keyClick(f, Qt::Key_Escape); }, QDialog::Rejected},
            {[](TfmAbout* f) { QTest::keyClick(f->imgAbout(), Qt::Key_Escape); }, QDialog::Rejected},
        };
        for (const Case& c : cases) {
            QPoint centre;
            OnNextModal([&](QWidget* modal) {
                auto* about = qobject_cast<TfmAbout*>(modal);
                QVERIFY(about);
                centre = about->geometry().center();
                c.act(about);
            });
            QCOMPARE(ShowAbout(), c.result);
            const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
            QVERIFY((centre - screenCentre).manhattanLength() <= 2);
        }
    }
};

QB_GUI_TEST_MAIN(TestFrmMainCommands)
#include "frmMainCommands.moc"
