// The search field above the notes tree: results replace the tree while a query is typed,
// a click opens the note in the pane's browser, "Show in Folder" selects it in the tree,
// Escape brings the tree back, Ctrl+Shift+F reaches the field.
#include "pane/SearchBox.h"
#include "pane/frmMain.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiTestEnvironment.h"
#include "support/PaneCommandFakes.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>

class TestSearchBox : public QObject, TPaneRig {
    Q_OBJECT

    std::unique_ptr<TfrmMain> MakePane(bool scriptedDialogs = true) {
        auto pane = TPaneRig::MakePane(true, scriptedDialogs);
        pane->resize(300, 500);
        pane->show();
        return pane;
    }

    void WriteNote(const std::string& nodePath, const std::string& body) {
        const std::string file = FStore + nodePath + ".html";
        GuiTestEnv::WriteFile(file, "<html><body>" + body + "</body></html>");
        ReportUtils::SaveNodeToXML(file, "t", "", "", 46000, "");
    }

    // Types a query and waits for its results.
    static QStringList Search(TfrmMain& pane, const QString& query) {
        TSearchBox* box = pane.SearchBox();
        QSignalSpy done(box, &TSearchBox::SearchDone);
        box->edtSearch()->setText(query);
        if (!done.wait(20000)) return {"(no answer)"};
        QStringList titles;
        for (int i = 0; i < box->lstResults()->count(); ++i) titles << box->lstResults()->item(i)->text().section('\n', 0, 0);
        return titles;
    }

private slots:
    void init() {
        ResetRig();
        WriteNote("Cook/Pasta", "<p>pasta with garlic</p>");
        WriteNote("Cook/Bread", "<p>garlic bread</p>");
        WriteNote("Trips/Italy/Rome", "<p>Caf&eacute; near the Colosseum</p>");
    }

    void resultsReplaceTheTreeWhileTyping() {
        auto pane = MakePane();
        TSearchBox* box = pane->SearchBox();
        QVERIFY(pane->treeNotes()->isVisible());
        QVERIFY(!box->lstResults()->isVisible());
        QCOMPARE(Search(*pane, "cafe"), QStringList{"Rome"});
        QVERIFY(!pane->treeNotes()->isVisible());
        QVERIFY(box->lstResults()->isVisible());
        QCOMPARE(box->lstResults()->item(0)->text(), QString("Rome\nCafé near the Colosseum"));
        QCOMPARE(box->lstResults()->item(0)->toolTip(), QString("<p>Trips/Italy/Rome</p>"));
        QCOMPARE(Search(*pane, "nothing-of-the-sort"), QStringList{"No notes found"});
        QCOMPARE(box->lstResults()->item(0)->flags(), Qt::NoItemFlags);
        // Escape empties the field and brings the tree back.
        QTest::keyClick(box->edtSearch(), Qt::Key_Escape);
        QCOMPARE(box->edtSearch()->text(), QString());
        QVERIFY(pane->treeNotes()->isVisible());
        QVERIFY(!box->lstResults()->isVisible());
    }

    void escapesNamesInTheToolTip() {
        WriteNote("A&B/<i>bold", "<p>marked</p>");
        auto pane = MakePane();
        QCOMPARE(Search(*pane, "marked"), QStringList{"<i>bold"});
        QCOMPARE(pane->SearchBox()->lstResults()->item(0)->toolTip(), QString("<p>A&amp;B/&lt;i&gt;bold</p>"));
    }

    void followsNotesAddedAfterTheFirstSearch() {
        auto pane = MakePane();
        QCOMPARE(Search(*pane, "garlic").size(), 2);
        WriteNote("Cook/Soup", "<p>garlic soup</p>");
        QCOMPARE(Search(*pane, "garlic soup"), QStringList{"Soup"});
    }

    void aClickOpensTheNoteInTheBrowser() {
        auto pane = MakePane();
        QCOMPARE(Search(*pane, "colosseum"), QStringList{"Rome"});
        QListWidget* list = pane->SearchBox()->lstResults();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(FBrowser.Navigations.size(), size_t(1));
        QCOMPARE(FBrowser.Navigations[0].Address, QString::fromStdString(FStore + "Trips/Italy/Rome.html"));
    }

    // As a click in the tree: in the pane's browser or a new window as the setting says, never
    // from the cache; then the words the note matched are highlighted in its page.
    void aClickOpensTheNoteAsTheTreeDoesWithTheWordsHighlighted() {
        FBrowser.Highlights.clear();
        for (const bool inBrowserWindow : {true, false}) {
            Options->ShowSnippetInBrowserWindow = inBrowserWindow;
            auto pane = MakePane();
            QCOMPARE(Search(*pane, "caf* \"near the\" -bread title:rome"), QStringList{"Rome"});
            FBrowser.Navigations.clear();
            QListWidget* list = pane->SearchBox()->lstResults();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
            QCOMPARE(FBrowser.Navigations.size(), size_t(1));
            QCOMPARE(FBrowser.Navigations[0].Target, inBrowserWindow ? QString() : QString("_new"));
            QVERIFY(FBrowser.Navigations[0].NoCache);
            QCOMPARE(FBrowser.Highlights.back(), (QStringList{"caf*", "near", "the", "rome"}));
        }
    }

    // The pane's own changes reach the index in the background: the index as it stands,
    // read without looking at the store, follows a capture, a rename, a move and a delete.
    void thePanesChangesReachTheIndexWithoutASearch() {
        Options->DefFolder = "Cook";
        Options->ConfirmAddNote = false;
        Options->Save();
        FBrowser.Doc.FTitle = "Fritters";
        FBrowser.Doc.FSelection = "<p>zucchini fritters</p>";
        auto pane = MakePane(false);
        TSearchIndex index(TSearchIndex::DefaultIndexFile(), FStore);
        const auto found = [&](const char* query) {
            QStringList paths;
            for (const TSearchHit& hit : index.Query(query, 10)) paths << QString::fromStdString(hit.NodePath);
            paths.sort();
            return paths;
        };
        const auto note = [&](const QString& nodePath) {
            pane->SearchBox()->ShowInFolder(nodePath);
            return pane->FocusedNode();
        };
        const auto folder = [&](const QString& name) -> TNode* {
            for (const auto& child : pane->Model()->Root()->Children)
                if (child->Data && child->Data->Name == name) return child.get();
            return nullptr;
        };
        QTRY_COMPARE(found("garlic"), (QStringList{"Cook/Bread", "Cook/Pasta"}));
        pane->actAddSelectionExecute(10);
        QTRY_COMPARE(found("zucchini"), QStringList{"Cook/Fritters"});
        pane->treeNotesNewText(folder("Trips"), "Travel");
        QTRY_COMPARE(found("colosseum"), QStringList{"Travel/Italy/Rome"});
        QVERIFY(pane->ProcessNodeCopyMove(note("Cook/Bread"), folder("Travel"), false));
        QTRY_COMPARE(found("garlic"), (QStringList{"Cook/Pasta", "Travel/Bread"}));
        pane->DeleteNode(note("Cook/Pasta"));
        QTRY_COMPARE(found("garlic"), QStringList{"Travel/Bread"});
    }

    void showInFolderSelectsTheNoteInTheTree() {
        auto pane = MakePane();
        QCOMPARE(Search(*pane, "bread"), QStringList{"Bread"});
        TSearchBox* box = pane->SearchBox();
        box->lstResults()->setCurrentRow(0);
        QAction* show = box->popResults()->findChild<QAction*>("actShowInFolder");
        QVERIFY(show);
        QCOMPARE(show->text(), QString("Show in Folder"));
        show->trigger();
        QVERIFY(pane->treeNotes()->isVisible());
        TNode* node = pane->FocusedNode();
        QVERIFY(node && node->Data);
        QCOMPARE(node->Data->Name, QString("Bread"));
        QVERIFY(!node->Data->IsFolder);
        QCOMPARE(pane->GetNodePath(node->Parent), QString("Cook"));
        // A deeper note: every folder on the way is opened.
        box->ShowInFolder("Trips/Italy/Rome");
        QCOMPARE(pane->GetNodePath(pane->FocusedNode()), QString("Trips/Italy/Rome"));
    }

    void ctrlShiftFFocusesTheField() {
        auto pane = MakePane();
        QApplication::setActiveWindow(pane.get());
        QVERIFY(QTest::qWaitForWindowActive(pane.get()));
        pane->treeNotes()->setFocus();
        QTest::keyClick(pane->treeNotes(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(pane->SearchBox()->edtSearch()->hasFocus());
    }
};

QB_GUI_TEST_MAIN(TestSearchBox)
#include "SearchBox.moc"
