// The notes pane on a temporary store: tree order, lazy loading, reopening DefFolder,
// refresh, hints, the browser accessors and the index page.
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "store/StoreSignal.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QLineEdit>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A note file with an HTML body and an info block.
void WriteNote(const std::string& file, const std::string& url = "https://example.org/",
               const std::string& comments = "") {
    GuiTestEnv::WriteFile(file, "<html><body>text</body></html>\r\n");
    ReportUtils::SaveNodeToXML(file, "t", "Original", url, DateTimeUtils::Now(), comments);
}

QStringList Names(const TNode* node) {
    QStringList names;
    for (const auto& child : node->Children) names << child->Data->Name;
    return names;
}

TNode* ChildNamed(TNode* node, const QString& name) {
    for (const auto& child : node->Children)
        if (child->Data && child->Data->Name == name) return child.get();
    return nullptr;
}

std::string RegistryString(const char* name) {
    TRegistry reg;
    reg.OpenKeyReadOnly(TOptions::RegistryKey);
    return reg.ReadString(name);
}

}  // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
    std::string FStore;

    std::unique_ptr<TfrmMain> MakePane() {
        return std::make_unique<TfrmMain>(nullptr, nullptr, std::make_unique<TScriptedPrompt>());
    }

private slots:
    void init() { FStore = GuiTestEnv::ResetOptions(); }

    void topLevelHoldsFoldersOnlyInNameOrder() {
        WriteNote(FStore + "a.html");
        FileSystem::ForceDirectories(FStore + "b");
        FileSystem::ForceDirectories(FStore + "A2");
        FileSystem::ForceDirectories(FStore + "c.files");
        auto pane = MakePane();
        QCOMPARE(Names(pane->Model()->Root()), QStringList({"A2", "b"}));
        for (const auto& child : pane->Model()->Root()->Children) QVERIFY(child->Data->IsFolder);
    }

    void folderShowsSubFoldersFirstThenNotes() {
        const std::string dir = FStore + "Box/";
        FileSystem::ForceDirectories(dir + "Zed");
        FileSystem::ForceDirectories(dir + "alpha");
        FileSystem::ForceDirectories(dir + "x.files");
        WriteNote(dir + "x.html");
        WriteNote(dir + "y.html");
        GuiTestEnv::WriteFile(dir + "readme.txt", "not a note");
        auto pane = MakePane();
        TNode* box = ChildNamed(pane->Model()->Root(), "Box");
        QVERIFY(box);
        QVERIFY(box->Children.empty());  // nothing below the top level is read at start
        pane->ExpandNode(box);
        const QStringList names = Names(box);
        QCOMPARE(names.mid(0, 2), QStringList({"alpha", "Zed"}));
        QStringList notes = names.mid(2);
        notes.sort();
        QCOMPARE(notes, QStringList({"x", "y"}));
        QVERIFY(box->Children[2]->Data->OriginalURL == "https://example.org/");
        QVERIFY(!box->Children[2]->Data->IsFolder);
    }

    void hasChildrenMarkNeedsNoNoteRead() {
        GuiTestEnv::WriteFile(FStore + "TextOnly/readme.txt", "x");
        GuiTestEnv::WriteFile(FStore + "NoteOnly/x.html", "<p>no block</p>");
        FileSystem::ForceDirectories(FStore + "Empty");
        FileSystem::ForceDirectories(FStore + "CompanionOnly/n.files");
        FileSystem::ForceDirectories(FStore + "SubOnly/inner");
        auto pane = MakePane();
        TNotesTreeModel* model = pane->Model();
        struct Case { const char* folder; bool marked; };
        for (auto [folder, marked] : {Case{"TextOnly", false}, Case{"NoteOnly", true}, Case{"Empty", false},
                                      Case{"CompanionOnly", false}, Case{"SubOnly", true}}) {
            TNode* node = ChildNamed(model->Root(), folder);
            QVERIFY2(node, folder);
            QCOMPARE(model->hasChildren(model->IndexOf(node)), marked);
        }
        // Marking read no note: the note without a block is still without one.
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "NoteOnly/x.html"), std::string("<p>no block</p>"));
    }

    void expansionByTheViewLoadsOnceAndRepairsANoteWithoutBlock() {
        GuiTestEnv::WriteFile(FStore + "Inbox/plain.html", "<p>no block</p>");
        auto pane = MakePane();
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        TNode* inbox = ChildNamed(pane->Model()->Root(), "Inbox");
        QVERIFY(inbox);
        pane->treeNotes()->expand(pane->Model()->IndexOf(inbox));
        QTRY_COMPARE(Names(inbox), QStringList({"plain"}));
        TNode* note = inbox->Children[0].get();
        const QStringList hint = pane->treeNotesGetHint(note).split('\n');
        QCOMPARE(hint.size(), 4);
        QCOMPARE(hint[0], QString("plain"));
        QCOMPARE(hint[1], QString("URL: "));
        QCOMPARE(hint[2], QString("Comments: "));
        QVERIFY(hint[3].startsWith("Created on "));
        QVERIFY(GuiTestEnv::ReadFile(FStore + "Inbox/plain.html").find(ReportUtils::NoteBeginMarker) != std::string::npos);
        // A later expansion reads nothing: a file added on disk shows only after a refresh.
        WriteNote(FStore + "Inbox/later.html");
        pane->treeNotes()->collapse(pane->Model()->IndexOf(inbox));
        pane->ExpandNode(inbox);
        QCOMPARE(Names(inbox), QStringList({"plain"}));
    }

    void defFolderReopensItsFolder() {
        WriteNote(FStore + "Trips/Italy/Rome.html");
        FileSystem::ForceDirectories(FStore + "Trips/France");
        Options->DefFolder = "Trips/Italy";
        auto pane = MakePane();
        TNode* focused = pane->FocusedNode();
        QVERIFY(focused);
        QCOMPARE(pane->GetNodePath(focused), QString("Trips/Italy"));
        QVERIFY(pane->treeNotes()->selectionModel()->isSelected(pane->Model()->IndexOf(focused)));
        QVERIFY(pane->treeNotes()->isExpanded(pane->Model()->IndexOf(focused->Parent)));
        QVERIFY(!pane->treeNotes()->isExpanded(pane->Model()->IndexOf(focused)));  // ExpandLast false
        pane->LoadTree(true);
        QVERIFY(pane->treeNotes()->isExpanded(pane->Model()->IndexOf(pane->FocusedNode())));
        QCOMPARE(Names(pane->FocusedNode()), QStringList({"Rome"}));
    }

    void defFolderMatchesCaseSensitively() {
        FileSystem::ForceDirectories(FStore + "travel");
        Options->DefFolder = "Travel";
        auto pane = MakePane();
        QVERIFY(pane->treeNotes()->selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(Options->DefFolder, std::string("Travel"));
    }

    void defFolderThatVanishedSelectsItsDeepestExistingPart() {
        FileSystem::ForceDirectories(FStore + "Trips/Italy");
        Options->DefFolder = "Trips/Gone";
        auto pane = MakePane();
        QVERIFY(pane->FocusedNode());
        QCOMPARE(pane->GetNodePath(pane->FocusedNode()), QString("Trips"));
        // Selecting the folder is a change like any other: it becomes the DefFolder.
        QCOMPARE(Options->DefFolder, std::string("Trips"));
    }

    void selectingAFolderSavesDefFolderAtOnceButANoteDoesNot() {
        WriteNote(FStore + "A/n.html");
        FileSystem::ForceDirectories(FStore + "B");
        auto pane = MakePane();
        TNode* a = ChildNamed(pane->Model()->Root(), "A");
        pane->treeNotes()->setCurrentIndex(pane->Model()->IndexOf(ChildNamed(pane->Model()->Root(), "B")));
        QCOMPARE(RegistryString("DefFolder"), std::string("B"));
        pane->ExpandNode(a);
        pane->treeNotes()->setCurrentIndex(pane->Model()->IndexOf(a->Children[0].get()));
        QCOMPARE(Options->DefFolder, std::string("B"));
        QCOMPARE(RegistryString("DefFolder"), std::string("B"));
    }

    void refreshKeepsTheFocusedFolderOpenOrClosed() {
        WriteNote(FStore + "A/n.html");
        Options->DefFolder = "A";
        auto pane = MakePane();
        TNode* a = pane->FocusedNode();
        pane->ExpandNode(a);
        WriteNote(FStore + "A/m.html");
        pane->actRefreshExecute();
        a = pane->FocusedNode();
        QVERIFY(pane->treeNotes()->isExpanded(pane->Model()->IndexOf(a)));
        QCOMPARE(a->Children.size(), size_t(2));  // the refresh read the new note
        pane->treeNotes()->collapse(pane->Model()->IndexOf(a));
        pane->actRefreshExecute();
        QVERIFY(!pane->treeNotes()->isExpanded(pane->Model()->IndexOf(pane->FocusedNode())));
    }

    // The connector's host adds notes from another process and rewrites the stamp file.
    void anotherProcessThatTouchesTheStampReloadsTheTree() {
        FileSystem::ForceDirectories(FStore + "A");
        auto pane = MakePane();
        FileSystem::ForceDirectories(FStore + "B");
        QTest::qWait(200);
        QCOMPARE(Names(pane->Model()->Root()), QStringList({"A"}));
        StoreSignal::Touch("B/note");
        QTRY_COMPARE(Names(pane->Model()->Root()), QStringList({"A", "B"}));
    }

    void vanishedStoreLeavesTheTreeEmpty() {
        FileSystem::ForceDirectories(FStore + "A");
        auto pane = MakePane();
        QCOMPARE(pane->Model()->rowCount(), 1);
        FileSystem::RemoveTree(FStore);
        pane->actRefreshExecute();
        QCOMPARE(pane->Model()->rowCount(), 0);
        QVERIFY(!pane->FocusedNode());
    }

    void unreadableNoteAddsNoNodeAndLosesNothing() {
        if (::geteuid() == 0) QSKIP("permissions do not stop root from reading");
        WriteNote(FStore + "A/ok.html");
        GuiTestEnv::WriteFile(FStore + "A/locked.html", "<p>secret</p>");
        ::chmod((FStore + "A/locked.html").c_str(), 0);
        auto pane = MakePane();
        pane->ExpandNode(ChildNamed(pane->Model()->Root(), "A"));
        QCOMPARE(Names(ChildNamed(pane->Model()->Root(), "A")), QStringList({"ok"}));
        ::chmod((FStore + "A/locked.html").c_str(), 0600);
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "A/locked.html"), std::string("<p>secret</p>"));
    }

    void hintsAndImagesFollowTheNode() {
        WriteNote(FStore + "A/n.html", "https://example.org/x", "my words");
        auto pane = MakePane();
        TNode* a = ChildNamed(pane->Model()->Root(), "A");
        const QStringList folderHint = pane->treeNotesGetHint(a).split('\n');
        QCOMPARE(folderHint.size(), 2);
        QCOMPARE(folderHint[0], QString("A"));
        QVERIFY(folderHint[1].startsWith("Created on "));
        QCOMPARE(pane->treeNotesGetImageIndex(a), 0);
        pane->ExpandNode(a);
        QCOMPARE(pane->treeNotesGetImageIndex(a), 1);
        TNode* note = a->Children[0].get();
        QCOMPARE(pane->treeNotesGetImageIndex(note), 2);
        const QStringList hint = pane->treeNotesGetHint(note).split('\n');
        QCOMPARE(hint.mid(0, 3), QStringList({"n", "URL: https://example.org/x", "Comments: my words"}));
        const QModelIndex index = pane->Model()->IndexOf(note);
        QCOMPARE(pane->Model()->data(index, Qt::ToolTipRole).toString(), pane->treeNotesGetHint(note));
        Options->ShowHints = false;
        pane->LoadTree(false);
        QVERIFY(pane->Model()->data(pane->Model()->index(0, 0), Qt::ToolTipRole).isNull());
    }

    // The stored address keeps its escapes; the hint shows them decoded.
    void hintShowsTheAddressReadable() {
        WriteNote(FStore + "A/n.html", "https://example.org/?q=c%2B%2B%20tips%E2%82%AC&p=50%", "c%2B%2B");
        auto pane = MakePane();
        TNode* a = ChildNamed(pane->Model()->Root(), "A");
        pane->ExpandNode(a);
        TNode* note = a->Children[0].get();
        QCOMPARE(note->Data->OriginalURL, QString("https://example.org/?q=c%2B%2B%20tips%E2%82%AC&p=50%"));
        const QStringList hint = pane->treeNotesGetHint(note).split('\n');
        QCOMPARE(hint.mid(1, 2), QStringList({QString::fromUtf8("URL: https://example.org/?q=c++ tips\u20AC&p=50%"), "Comments: c%2B%2B"}));
    }

    void nodePathsAndNodeHeight() {
        FileSystem::ForceDirectories(FStore + "Trips/Italy/North");
        Options->DefFolder = "Trips/Italy/North";
        auto pane = MakePane();
        QCOMPARE(pane->GetNodePath(pane->FocusedNode()), QString("Trips/Italy/North"));
        QCOMPARE(pane->GetNodePath(pane->Model()->Root()), QString());
        QCOMPARE(pane->GetNodePath(nullptr), QString());
        QVERIFY(pane->treeNotes()->NodeHeight() >= 21);
        QCOMPARE(pane->treeNotes()->indentation(), 16);
    }

    void browserAccessorsFollowTheHost() {
        auto pane = MakePane();
        TFakeBrowser hostBrowser, ownBrowser;
        QCOMPARE(pane->GetDocTitle(), QString("Untitled"));
        pane->SetHostBrowser([&] { return &hostBrowser; });
        hostBrowser.Doc.FTitle = "Host page";
        QCOMPARE(pane->GetDocTitle(), QString("Host page"));
        pane->SetWebBrowser(&ownBrowser);
        QCOMPARE(pane->GetWebBrowser(), static_cast<TWebBrowser*>(&hostBrowser));  // not standalone yet
        pane->SetStandalone(true);
        QCOMPARE(pane->GetWebBrowser(), static_cast<TWebBrowser*>(&ownBrowser));
        ownBrowser.HasDocument = false;
        QVERIFY(!pane->GetDoc());
        QCOMPARE(pane->GetDocTitle(), QString("Untitled"));
        ownBrowser.HasDocument = true;
        ownBrowser.Doc.FThrow = true;
        QCOMPARE(pane->GetDocTitle(), QString("Untitled"));
    }

    // Names are escaped in the texts and percent-encoded in the links.
    void indexPageListsExpandedFoldersOnly() {
        FileSystem::ForceDirectories(FStore + "Berlin");
        FileSystem::ForceDirectories(FStore + "<img src=x onerror=alert(1)>");
        WriteNote(FStore + "Rome/Colosseum.html");
        WriteNote(FStore + "Rome/Forum & Co.html");
        WriteNote(FStore + "Rome/Q\"A\" #1?.html");
        Options->DefFolder = "Rome";
        auto pane = MakePane();
        pane->LoadTree(true);
        pane->UpdateIndex();
        const std::string page = GuiTestEnv::ReadFile(Options->AppPath + "index.html");
        const std::vector<std::string> lines = Strings::SplitLines(page);
        QVERIFY(page.find("\r\n") != std::string::npos);
        QCOMPARE(lines.size(), size_t(3 + 3 * 2 + 3 * 2 + 2));
        const std::string store = Strings::PercentEncode(FStore, "/");
        QCOMPARE(lines[0], std::string("<html><head><title>Notes Index</title><meta http-equiv=\"Content-Type\" content=\"text/html\"></head>"));
        QCOMPARE(lines[4], "<td width=\"99%\"><a href=\"" + store + "%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E/\">"
                           "<b>&lt;img src=x onerror=alert(1)&gt;</b></a></td></tr>");
        QCOMPARE(lines[6], "<td width=\"99%\"><a href=\"" + store + "Berlin/\"><b>Berlin</b></a></td></tr>");
        QCOMPARE(lines[5], std::string("<tr><td width=34><div align=\"left\"><img src=\"folder.gif\" width=\"32\" height=\"32\"></div></td>"));
        QCOMPARE(lines[9], std::string("<tr><td width=34><div align=\"right\"><img src=\"snote.gif\" width=\"16\" height=\"16\"></div></td>"));
        QVERIFY(page.find("<a href=\"" + store + "Rome/Colosseum.html\">Colosseum</a>") != std::string::npos);
        QVERIFY(page.find("<a href=\"" + store + "Rome/Forum%20%26%20Co.html\">Forum &amp; Co</a>") != std::string::npos);
        QVERIFY(page.find("<a href=\"" + store + "Rome/Q%22A%22%20%231%3F.html\">Q&quot;A&quot; #1?</a>") !=
                std::string::npos);
        QVERIFY(page.find("<img src=x") == std::string::npos);
        QCOMPARE(lines.back(), std::string("</body></html>"));
        QCOMPARE(lines[lines.size() - 2], std::string("</table><p><font size=\"1\">Made with <a href=\"\">Quillbox</a></font></p><p><b><font size=\"+1\"></font></b></p>"));
    }

    void indexPageIsWrittenAtStartAndKeptForAnEmptyStore() {
        FileSystem::ForceDirectories(FStore + "A");
        { auto pane = MakePane(); }
        QVERIFY(FileSystem::FileExists(Options->AppPath + "index.html"));
        GuiTestEnv::WriteFile(Options->AppPath + "index.html", "old");
        FileSystem::RemoveTree(FStore + "A");
        auto pane = MakePane();
        QCOMPARE(GuiTestEnv::ReadFile(Options->AppPath + "index.html"), std::string("old"));
        // No program folder: nothing is written and nothing fails.
        FileSystem::ForceDirectories(FStore + "B");
        Options->AppPath = GuiTestEnv::Root() + "missing/";
        pane->LoadTree(false);
        pane->UpdateIndex();
        QVERIFY(!FileSystem::PathExists(Options->AppPath));
    }

    void hotCursorAndDelayedInPlaceEdit() {
        WriteNote(FStore + "A/n.html");
        Options->DefFolder = "A";
        auto pane = MakePane();
        pane->LoadTree(true);
        pane->resize(300, 400);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        TNotesTreeView* tree = pane->treeNotes();
        const QModelIndex folder = pane->Model()->IndexOf(pane->FocusedNode());
        const QModelIndex note = pane->Model()->index(0, 0, folder);
        QTest::mouseMove(tree->viewport(), tree->visualRect(note).center());
        QTRY_COMPARE(tree->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(tree->viewport(), tree->visualRect(folder).center());
        QTRY_COMPARE(tree->viewport()->cursor().shape(), Qt::ArrowCursor);
        // A click on the node that is already selected starts the edit a while later.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(folder).center());
        const auto editing = [tree] {
            const auto* editor = tree->viewport()->findChild<QLineEdit*>();
            return editor && editor->isVisible();
        };
        QTest::qWait(200);
        QVERIFY(!editing());
        QTRY_VERIFY_WITH_TIMEOUT(editing(), 7000);
        QCOMPARE(tree->viewport()->findChild<QLineEdit*>()->text(), QString("A"));
    }

    void indexPagePicturesShipWithTheProgram() {
        QCOMPARE(QImage(QB_SOURCE_DATA_DIR "/folder.gif").size(), QSize(32, 32));
        QCOMPARE(QImage(QB_SOURCE_DATA_DIR "/snote.gif").size(), QSize(16, 16));
    }
};

QB_GUI_TEST_MAIN(TestFrmMain)
#include "frmMain.moc"
