// Organising the store in the pane: the folder name proposal, adding folders, renaming in
// place, deleting with each answer, editing a note (its pictures kept), and drags driven
// through the model's drop entry point.
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using FileSystem::DirectoryExists;
using FileSystem::FileExists;

// The add-folder dialog as a script: it records what it was given and, when told to
// accept, makes the folder and reports it.
class TFakeAddFolderDlg : public IPlumetsAddFolderDlg {
public:
    struct TScript {
        bool Accept = true;
        QString Make;  // node path of the folder made
        QString SuggestedName, CurrentFolder, StoreRoot;
        bool UnderCurrent = false;
        int Shown = 0;
    };
    explicit TFakeAddFolderDlg(TScript& script) : S(script) {}
    void ShowModal() override {
        ++S.Shown;
        if (S.Accept) FileSystem::ForceDirectories(QToStd(S.StoreRoot + S.Make));
    }
    bool Accepted() override { return S.Accept; }
    QString NewFolder() override { return S.Make; }
    void SetSuggestedName(const QString& v) override { S.SuggestedName = v; }
    void SetStoreRoot(const QString& v) override { S.StoreRoot = v; }
    void SetUnderCurrent(bool v) override { S.UnderCurrent = v; }
    void SetCurrentFolder(const QString& v) override { S.CurrentFolder = v; }
    static std::string QToStd(const QString& s) { return s.toStdString(); }

private:
    TScript& S;
};

// The add-note dialog as a script: records every call in order; on acceptance it takes the
// scripted title and comments and writes the content under the (possibly new) name, as the
// real dialog does, but leaves pictures alone.
class TFakeAddDlg : public IPlumetAddDlg {
public:
    struct TScript {
        bool Accept = true;
        QString NewTitle, NewComments;  // empty: unchanged
        QStringList Calls;
        QString Content, StoreRoot;
    };
    explicit TFakeAddDlg(TScript& script) : S(script) {}
    void ShowModal() override {
        if (!S.Accept) return;
        if (!S.NewTitle.isEmpty()) FTitle = S.NewTitle;
        if (!S.NewComments.isEmpty()) FComments = S.NewComments;
        GuiTestEnv::WriteFile((S.StoreRoot + FFolder + "/" + FTitle + ".html").toStdString(), S.Content.toStdString());
    }
    bool Accepted() override { return S.Accept; }
    QString URL() override { return FURL; }
    void SetURL(const QString& v) override { Log("URL", v), FURL = v; }
    QString Title() override { return FTitle; }
    void SetTitle(const QString& v) override { Log("Title", v), FTitle = v; }
    void SetCharset(const QString& v) override { Log("Charset", v); }
    void SetContentKind(int v) override { Log("ContentKind", v); }
    void SetContent(const QString& v) override { S.Calls << "Content", S.Content = v; }
    QString Folder() override { return FFolder; }
    void SetFolder(const QString& v) override { Log("Folder", v), FFolder = v; }
    QString OriginalTitle() override { return FOriginalTitle; }
    void SetOriginalTitle(const QString& v) override { Log("OriginalTitle", v), FOriginalTitle = v; }
    QString Comments() override { return FComments; }
    void SetComments(const QString& v) override { Log("Comments", v), FComments = v; }
    void SetAutoEdit(bool v) override { Log("AutoEdit", v); }
    void SetSaveImages(bool v) override { Log("SaveImages", v); }
    void SetStoreRoot(const QString& v) override { Log("StoreRoot", "root"), S.StoreRoot = v; }
    bool ConfirmAddNote() override { return false; }
    void SetConfirmAddNote(bool v) override { Log("ConfirmAddNote", v); }
    void SetEditMode(bool v) override { Log("EditMode", v); }
    bool NewNoteOnNewSite() override { return true; }
    void SetNewNoteOnNewSite(bool v) override { Log("NewNoteOnNewSite", v); }
    bool NoteAddToLast() override { return true; }
    void SetNoteAddToLast(bool v) override { Log("NoteAddToLast", v); }
    QString PrevFolder() override { return "Prev"; }
    void SetPrevFolder(const QString& v) override { Log("PrevFolder", v); }
    QString PrevTitle() override { return "PrevT"; }
    void SetPrevTitle(const QString& v) override { Log("PrevTitle", v); }
    QString PrevBaseURL() override { return "prev.org"; }
    void SetPrevBaseURL(const QString& v) override { Log("PrevBaseURL", v); }
    int ForceNewNoteMode() override { return 2; }
    void SetForceNewNoteMode(int v) override { Log("ForceNewNoteMode", v); }
    void SetEmptyNote(bool v) override { Log("EmptyNote", v); }

private:
    void Log(const char* slot, const QVariant& v) { S.Calls << QString(slot) + "=" + v.toString(); }
    TScript& S;
    QString FURL, FTitle, FFolder, FOriginalTitle, FComments;
};

class TFakeDialogs : public TDialogFactory {
public:
    TFakeAddFolderDlg::TScript Folder;
    TFakeAddDlg::TScript Note;
    std::unique_ptr<IPlumetAddDlg> CreateAddDlg() override { return std::make_unique<TFakeAddDlg>(Note); }
    std::unique_ptr<IPlumetsAddFolderDlg> CreateAddFolderDlg() override {
        return std::make_unique<TFakeAddFolderDlg>(Folder);
    }
    std::unique_ptr<IPlumetsPrefs> CreatePrefs() override { return nullptr; }
};

void WriteNote(const std::string& file, const std::string& body = "<p>text</p>", const std::string& comments = "") {
    GuiTestEnv::WriteFile(file, "<html><body>" + body + "</body></html>\r\n");
    ReportUtils::SaveNodeToXML(file, "t", "Original", "https://example.org/", 45000.5, comments);
}

QStringList Names(const TNode* node) {
    QStringList names;
    for (const auto& child : node->Children) names << child->Data->Name;
    return names;
}

}  // namespace

class TestFrmMainEdit : public QObject {
    Q_OBJECT
    std::string FStore;
    TFakeDialogs* FDialogs = nullptr;
    TScriptedPrompt* FPrompt = nullptr;

    std::unique_ptr<TfrmMain> MakePane(bool realDialogs = false) {
        auto dialogs = std::make_unique<TFakeDialogs>();
        auto prompt = std::make_unique<TScriptedPrompt>();
        FDialogs = dialogs.get();
        FPrompt = prompt.get();
        return std::make_unique<TfrmMain>(nullptr, realDialogs ? nullptr : std::move(dialogs), std::move(prompt));
    }

    // The node at a node path, loading folders on the way.
    static TNode* Node(TfrmMain& pane, const QString& path) {
        TNode* node = pane.Model()->Root();
        for (const QString& name : path.split('/')) {
            pane.ExpandNode(node);
            TNode* match = nullptr;
            for (const auto& child : node->Children)
                if (child->Data->Name == name) match = child.get();
            if (!match) return nullptr;
            node = match;
        }
        return node;
    }

    static void Focus(TfrmMain& pane, TNode* node) {
        pane.treeNotes()->setCurrentIndex(pane.Model()->IndexOf(node));
    }

    // Drags node onto target (nullptr: empty space) through the model's drop entry point.
    static bool Drag(TfrmMain& pane, TNode* node, TNode* target, int row = -1) {
        TNotesTreeModel* model = pane.Model();
        std::unique_ptr<QMimeData> data(model->mimeData({model->IndexOf(node)}));
        return model->dropMimeData(data.get(), Qt::MoveAction, row, 0, model->IndexOf(target));
    }

private slots:
    void init() { FStore = GuiTestEnv::ResetOptions(); }

    void folderNameProposal() {
        // 52 characters with spaces at 6, 12, 19, 23, 27 and 33.
        const QString spaced = "Abcde Ghijk Mnopqr Tuv Xyz Bcdef Hijklmnopqrstuvwxyz";
        QCOMPARE(spaced.size(), 52);
        struct Case { QString title; QString proposal; };
        for (const auto& [title, proposal] :
             {Case{spaced, spaced.left(26)}, Case{QString(40, 'x'), QString(30, 'x')},
              Case{"My trip to Rome", "My trip to Rome"},  // a title that fits keeps its last word
              Case{"<b>Bold</b>   news: today?", "Bold news today"}, Case{"Untitled", "Untitled"},
              Case{"???", ""}, Case{QString(9, 'a') + " " + QString(30, 'b'), QString(9, 'a')},
              Case{QString(8, 'a') + " " + QString(31, 'b'), QString(8, 'a') + " " + QString(21, 'b')}}) {
            QCOMPARE(TfrmMain::ProposeFolderName(title), proposal);
        }
    }

    void addFolderInBothModes() {
        FileSystem::ForceDirectories(FStore + "Trips/Italy");
        WriteNote(FStore + "Trips/Italy/Rome.html");
        struct Case { int tag; bool underCurrent; const char* make; };
        for (auto [tag, underCurrent, make] : {Case{0, false, "Trips/Spain"}, Case{1, true, "Trips/Italy/Rome-pics"}}) {
            auto pane = MakePane();
            TFakeBrowser browser;
            browser.Doc.FTitle = "A long page title about the travels of summer";
            pane->SetWebBrowser(&browser);
            pane->SetStandalone(true);
            Focus(*pane, Node(*pane, "Trips/Italy/Rome"));
            FDialogs->Folder.Make = make;
            pane->actAddFolderExecute(tag);
            QCOMPARE(FDialogs->Folder.Shown, 1);
            QCOMPARE(FDialogs->Folder.SuggestedName, QString("A long page title about the"));
            QCOMPARE(FDialogs->Folder.CurrentFolder, QString("Trips/Italy/Rome"));
            QCOMPARE(FDialogs->Folder.UnderCurrent, underCurrent);
            QCOMPARE(Options->DefFolder, std::string(make));
            QCOMPARE(pane->GetNodePath(pane->FocusedNode()), QString(make));
            QVERIFY(GuiTestEnv::ReadFile(Options->AppPath + "index.html").find("Trips") != std::string::npos);
        }
        // Cancelled: nothing reloads, DefFolder stays.
        auto pane = MakePane();
        FDialogs->Folder.Accept = false;
        Options->DefFolder = "Trips";
        QVERIFY(!pane->DoADdNewFolder("X", false));
        QCOMPARE(Options->DefFolder, std::string("Trips"));
    }

    void renameInPlace() {
        struct Case { const char* existing; const char* text; const char* name; };
        for (auto [existing, text, name] : {Case{"Trips", "Trips", "Trips-1"}, Case{"", "???", "-1"},
                                            Case{"-1", "???", "-2"}, Case{"", "Trips", "Trips"},
                                            Case{"", "Pics.files", "Travel"}}) {
            FStore = GuiTestEnv::ResetOptions();
            WriteNote(FStore + "Travel/Rome.html");
            if (*existing) FileSystem::ForceDirectories(FStore + existing);
            Options->DefFolder = "Travel";
            auto pane = MakePane();
            TNode* travel = Node(*pane, "Travel");
            pane->Model()->setData(pane->Model()->IndexOf(travel), QString(text), Qt::EditRole);
            QCOMPARE(travel->Data->Name, QString(name));
            QCOMPARE(pane->Model()->data(pane->Model()->IndexOf(travel)).toString(), QString(name));
            QVERIFY2(FileExists(FStore + name + "/Rome.html"), name);
            QCOMPARE(Options->DefFolder, std::string(name));  // the reload reopens the renamed folder
        }
    }

    void renamingANoteInPlaceChangesNothing() {
        WriteNote(FStore + "F/Idea.html");
        GuiTestEnv::WriteFile(FStore + "F/Idea.files/a.png", "png");
        auto pane = MakePane();
        TNode* idea = Node(*pane, "F/Idea");
        pane->Model()->setData(pane->Model()->IndexOf(idea), QString("Better"), Qt::EditRole);
        QCOMPARE(pane->Model()->data(pane->Model()->IndexOf(idea)).toString(), QString("Idea"));
        QVERIFY(FileExists(FStore + "F/Idea.html"));
        QVERIFY(FileExists(FStore + "F/Idea.files/a.png"));
        QVERIFY(!FileExists(FStore + "F/Better.html"));
    }

    void deleteNoteWithEachAnswer() {
        struct Case { bool confirm; TAnswer answer; bool deleted; };
        for (auto [confirm, answer, deleted] : {Case{true, TAnswer::Yes, true}, Case{true, TAnswer::No, false},
                                                Case{true, TAnswer::Cancel, false}, Case{false, TAnswer::No, true}}) {
            FStore = GuiTestEnv::ResetOptions();
            WriteNote(FStore + "F/Idea.html");
            GuiTestEnv::WriteFile(FStore + "F/Idea.files/a.png", "png");
            WriteNote(FStore + "F/Other.html");
            Options->ConfirmDelNote = confirm;
            auto pane = MakePane();
            TNode* folder = Node(*pane, "F");
            Focus(*pane, Node(*pane, "F/Idea"));
            FPrompt->Answers = {answer};
            pane->actDeleteExecute();
            QCOMPARE(FPrompt->Texts.size(), size_t(confirm ? 1 : 0));
            if (confirm) {
                QCOMPARE(FPrompt->Texts[0], std::string("Are you sure to delete note \n\"Idea\"?"));
                QCOMPARE(FPrompt->Captions[0], std::string("Delete"));
            }
            QCOMPARE(FileExists(FStore + "F/Idea.html"), !deleted);
            QCOMPARE(DirectoryExists(FStore + "F/Idea.files"), !deleted);
            QCOMPARE(Names(folder).contains("Idea"), !deleted);
            QVERIFY(FileExists(FStore + "F/Other.html"));
        }
    }

    void deleteFolderWithEachAnswer() {
        for (TAnswer answer : {TAnswer::No, TAnswer::Cancel, TAnswer::Yes}) {
            FStore = GuiTestEnv::ResetOptions();
            WriteNote(FStore + "Trips/Italy/Rome.html");
            FileSystem::ForceDirectories(FStore + "Keep");
            auto pane = MakePane();
            pane->ExpandNode(Node(*pane, "Trips"));
            Focus(*pane, Node(*pane, "Trips/Italy"));
            GuiTestEnv::WriteFile(Options->AppPath + "index.html", "old");
            FPrompt->Answers = {answer};
            pane->actDeleteExecute();
            const bool deleted = answer == TAnswer::Yes;
            QCOMPARE(FPrompt->Texts.at(0), std::string("Are you sure to delete folder\n\"Italy\"\nand all it's content?"));
            QCOMPARE(DirectoryExists(FStore + "Trips/Italy"), !deleted);
            QCOMPARE(Node(*pane, "Trips/Italy") != nullptr, !deleted);
            // The index page is rebuilt from the tree after a deletion only.
            const std::string index = GuiTestEnv::ReadFile(Options->AppPath + "index.html");
            QCOMPARE(index == "old", !deleted);
            QVERIFY(index.find("Trips/Italy.html") == std::string::npos);
        }
    }

    void editOnlyCommentsKeepsTheFileAndTheTree() {
        WriteNote(FStore + "F/Idea.html", "<p>body</p>", "old comment");
        auto pane = MakePane();
        TNode* idea = Node(*pane, "F/Idea");
        Focus(*pane, idea);
        const QPersistentModelIndex kept(pane->Model()->IndexOf(idea));
        FDialogs->Note.NewComments = "new comment";
        pane->actShowPropsExecute();
        // Every value in its order, the whole file as the content.
        const QStringList expected = {"EditMode=true", "Folder=F", "URL=https://example.org/", "Title=Idea",
                                      "OriginalTitle=Original", "Comments=old comment", "StoreRoot=root", "Charset=",
                                      "AutoEdit=true", "SaveImages=true", "Content", "ContentKind=0",
                                      "ConfirmAddNote=true", "NoteAddToLast=true", "NewNoteOnNewSite=true"};
        QCOMPARE(FDialogs->Note.Calls.mid(0, expected.size()), expected);
        QVERIFY(FDialogs->Note.Content.contains("<p>body</p>"));
        QVERIFY(FDialogs->Note.Content.contains(ReportUtils::NoteBeginMarker));
        ReportUtils::TNoteInfo info;
        QVERIFY(ReportUtils::LoadNodeFromFile(FStore + "F/Idea.html", info));
        QCOMPARE(info.Comments, std::u16string(u"new comment"));
        QCOMPARE(info.OriginalTitle, std::u16string(u"Original"));
        QVERIFY(kept.isValid());  // no reload
        // The dialog's settings are kept.
        QCOMPARE(Options->PrevTitle, std::string("PrevT"));
        QCOMPARE(Options->ForceNewNoteMode, 2);
        QCOMPARE(Options->DefFolder, std::string("F"));
    }

    void editWithANewTitleKeepsThePictures() {
        // The scripted dialog writes the new file only: the pane brings the pictures along.
        WriteNote(FStore + "F/Idea.html", "<img src=\"Idea.files/a.png\"><img src=\"Idea.files/b%20c.png\">");
        GuiTestEnv::WriteFile(FStore + "F/Idea.files/a.png", "png a");
        GuiTestEnv::WriteFile(FStore + "F/Idea.files/b c.png", "png b");
        auto pane = MakePane();
        Focus(*pane, Node(*pane, "F/Idea"));
        FDialogs->Note.NewTitle = "Better idea";
        pane->actShowPropsExecute();
        QVERIFY(!FileExists(FStore + "F/Idea.html"));
        QVERIFY(!DirectoryExists(FStore + "F/Idea.files"));
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "F/Better idea.files/a.png"), std::string("png a"));
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "F/Better idea.files/b c.png"), std::string("png b"));
        const std::string html = GuiTestEnv::ReadFile(FStore + "F/Better idea.html");
        QVERIFY(html.find("src=\"Better%20idea.files/a.png\"") != std::string::npos);
        QVERIFY(html.find("src=\"Better%20idea.files/b%20c.png\"") != std::string::npos);
        ReportUtils::TNoteInfo info;
        QVERIFY(ReportUtils::LoadNodeFromFile(FStore + "F/Better idea.html", info));
        QCOMPARE(info.OriginalTitle, std::u16string(u"Original"));
        // The tree was reloaded on the note's folder, with the new name.
        QCOMPARE(Names(Node(*pane, "F")), QStringList({"Better idea"}));
    }

    void editWithTheRealDialogKeepsEveryPicture() {
        WriteNote(FStore + "F/Idea.html", "<img src=\"Idea.files/a.png\">");
        GuiTestEnv::WriteFile(FStore + "F/Idea.files/a.png", "\x89PNG\r\n\x1a\n-png");
        GuiTestEnv::WriteFile(FStore + "F/Idea.files/style.css", "p{}");  // referenced by no picture
        FileSystem::ForceDirectories(FStore + "G");
        auto pane = MakePane(true);
        Focus(*pane, Node(*pane, "F/Idea"));
        OnNextModal([](QWidget* form) {
            Child<QLineEdit>(form, "edtName")->setText("Moved");
            static_cast<QDialog*>(form)->accept();
        });
        pane->actShowPropsExecute();
        QVERIFY(FileExists(FStore + "F/Moved.html"));
        QVERIFY(!FileExists(FStore + "F/Idea.html"));
        QVERIFY(!DirectoryExists(FStore + "F/Idea.files"));
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "F/Moved.files/style.css"), std::string("p{}"));
        const std::string html = GuiTestEnv::ReadFile(FStore + "F/Moved.html");
        const size_t at = html.find("src=\"Moved.files/");
        QVERIFY2(at != std::string::npos, html.c_str());
        const std::string picture = html.substr(at + 5, html.find('"', at + 5) - at - 5);
        QVERIFY2(FileExists(FStore + "F/" + picture), picture.c_str());
    }

    void dragNoteOntoFolderNumbersOnClash() {
        WriteNote(FStore + "A/Idea.html");
        GuiTestEnv::WriteFile(FStore + "A/Idea.files/a.png", "png");
        WriteNote(FStore + "B/Idea.html");
        auto pane = MakePane();
        TNode* b = Node(*pane, "B");
        pane->ExpandNode(b);
        TNode* idea = Node(*pane, "A/Idea");
        QVERIFY(!pane->FNodeMoved);
        QVERIFY(Drag(*pane, idea, b));
        QVERIFY(pane->FNodeMoved);  // the click that ends the drag opens nothing
        QCOMPARE(idea->Data->Name, QString("Idea-1"));
        QCOMPARE(idea->Parent, b);
        QCOMPARE(Names(b), QStringList({"Idea", "Idea-1"}));
        QVERIFY(FileExists(FStore + "B/Idea-1.html"));
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "B/Idea-1.files/a.png"), std::string("png"));
        QVERIFY(!FileExists(FStore + "A/Idea.html"));
        QVERIFY(!DirectoryExists(FStore + "A/Idea.files"));
    }

    void dragTargets() {
        struct Case { const char* what; const char* target; int row; bool moved; const char* lands; };
        for (auto [what, target, row, moved, lands] :
             {Case{"onto a note", "B/Other", -1, true, "B/Idea.html"},
              Case{"below a folder's last child", "B", 0, true, "B/Idea.html"},
              Case{"into its own folder", "A", -1, false, "A/Idea.html"},
              Case{"onto a note of its own folder", "A/Idea", -1, false, "A/Idea.html"},
              Case{"onto empty space", "", -1, false, "A/Idea.html"}}) {
            FStore = GuiTestEnv::ResetOptions();
            WriteNote(FStore + "A/Idea.html");
            WriteNote(FStore + "B/Other.html");
            auto pane = MakePane();
            pane->ExpandNode(Node(*pane, "B"));
            TNode* idea = Node(*pane, "A/Idea");
            TNode* onto = *target ? Node(*pane, target) : nullptr;
            // A row given: the drop is above or below that child of the target.
            QCOMPARE(Drag(*pane, idea, onto, row), moved);
            QVERIFY2(FileExists(FStore + lands), what);
            QVERIFY2(pane->FNodeMoved, what);
            QCOMPARE(pane->GetNodePath(idea), QString(lands).chopped(5));
        }
    }

    void dragIntoAFolderNotReadYetShowsTheNoteOnce() {
        WriteNote(FStore + "A/Idea.html");
        WriteNote(FStore + "B/Other.html");
        auto pane = MakePane();
        TNode* b = Node(*pane, "B");
        QVERIFY(b->Children.empty());
        QVERIFY(Drag(*pane, Node(*pane, "A/Idea"), b));
        QVERIFY(Node(*pane, "A/Idea") == nullptr);
        pane->ExpandNode(b);
        QStringList names = Names(b);
        names.sort();
        QCOMPARE(names, QStringList({"Idea", "Other"}));
    }

    void dragFolders() {
        WriteNote(FStore + "Trips/Italy/Rome.html");
        WriteNote(FStore + "Old/Trips/Paris.html");
        WriteNote(FStore + "Old/Note.html");
        Options->DefFolder = "Old/Trips";
        auto pane = MakePane();
        // To the top level with a clash: numbered; DefFolder follows it.
        TNode* oldTrips = Node(*pane, "Old/Trips");
        QVERIFY(Drag(*pane, oldTrips, nullptr));
        QCOMPARE(oldTrips->Data->Name, QString("Trips-1"));
        QCOMPARE(oldTrips->Parent, pane->Model()->Root());
        QVERIFY(FileExists(FStore + "Trips-1/Paris.html"));
        QCOMPARE(Options->DefFolder, std::string("Trips-1"));
        // A folder already at the top level stays; a folder onto itself or its own
        // sub-folder is refused.
        TNode* trips = Node(*pane, "Trips");
        for (TNode* target : {static_cast<TNode*>(nullptr), trips, Node(*pane, "Trips/Italy"), Node(*pane, "Trips/Italy/Rome")}) {
            QVERIFY(!Drag(*pane, trips, target));
            QCOMPARE(pane->GetNodePath(trips), QString("Trips"));
        }
        QVERIFY(FileExists(FStore + "Trips/Italy/Rome.html"));
        // A folder dropped into another goes before that folder's notes.
        TNode* old = Node(*pane, "Old");
        QVERIFY(Drag(*pane, trips, old));
        QCOMPARE(Names(old), QStringList({"Trips", "Note"}));
        QVERIFY(FileExists(FStore + "Old/Trips/Italy/Rome.html"));
    }

    void foreignDataGoesToTheDropTargetNotToTheTree() {
        WriteNote(FStore + "A/Idea.html");
        auto pane = MakePane();
        QMimeData text;
        text.setText("A/Idea");
        // The text is read by the drop target for a note; no node is moved for it.
        QVERIFY(pane->Model()->dropMimeData(&text, Qt::MoveAction, -1, 0, pane->Model()->IndexOf(Node(*pane, "A"))));
        QVERIFY(FileExists(FStore + "A/Idea.html"));
        QVERIFY(!pane->FNodeMoved);
    }
};

QB_GUI_TEST_MAIN(TestFrmMainEdit)
#include "frmMainEdit.moc"
