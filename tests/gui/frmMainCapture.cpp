// Capture in the pane on the offscreen platform: the capture commands over a fake page with the
// real add-note dialog (not shown), the question on an empty store, a cancelled dialog, and
// drops of each kind of foreign data on a folder of the tree, each checked on disk.
#include "pane/frmMain.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/FileOperations.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"
#include "support/PaneCommandFakes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>

namespace {

const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1", 20);

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

ReportUtils::TNoteInfo Info(const std::string& file) {
    ReportUtils::TNoteInfo info;
    ReportUtils::LoadNodeFromFile(file, info);
    return info;
}

}  // namespace

class TestFrmMainCapture : public QObject, TPaneRig {
    Q_OBJECT

    // The pane's own dialogs: a capture fills its add-note form even when it is not shown.
    std::unique_ptr<TfrmMain> MakePane() { return TPaneRig::MakePane(true, false); }
    TNode* Folder(TfrmMain& pane, const QString& name) {
        for (const auto& child : pane.Model()->Root()->Children)
            if (child->Data && child->Data->Name == name) return child.get();
        return nullptr;
    }

private slots:
    void init() {
        ResetRig();
        FileSystem::ForceDirectories(FStore + "Web");
        FileSystem::ForceDirectories(FStore + "Mail");
        Options->DefFolder = "Web";
        Options->ConfirmAddNote = false;
        Options->Save();
        FBrowser = TFakeBrowser();
        FBrowser.Doc.FTitle = "Report";
        FBrowser.Doc.FLocation = "https://www.example.org/report";
        FBrowser.Doc.FSelection = "<b>chosen</b> words";
        FBrowser.Doc.FBody = "<h1>Report</h1><img src=\"data:image/png;base64," +
                             QString::fromLatin1(QByteArray::fromStdString(Png).toBase64()) + "\"><p>text</p>";
    }

    void captureKindsWriteNotesWithTheirInfo() {
        struct Case { int tag; const char* file; const char* title; const char* inBody; const char* notInBody; };
        const Case cases[] = {
            {10, "Web/Report.html", "Report", "<b>chosen</b> words", "<h1>"},
            {60, "Web/Report-1.html", "Report", "<h1>Report</h1>", "chosen"},
            {50, "Web/Images from Report.html", "Images from Report", "<img src=\"Images%20from%20Report.files/image.png\">", "<h1>"},
            {20, "Web/Report-2.html", "Report", "<body>\r\n\r\n</body>", "chosen"},
        };
        Options->NoteAddToLast = false;
        Options->Save();
        auto pane = MakePane();
        for (const Case& c : cases) {
            pane->actAddSelectionExecute(c.tag);
            const std::string file = FStore + c.file;
            QVERIFY2(FileSystem::FileExists(file), c.file);
            const std::string text = GuiTestEnv::ReadFile(file);
            QVERIFY2(Contains(text, c.inBody), text.c_str());
            QVERIFY2(!Contains(text, c.notInBody), c.file);
            const ReportUtils::TNoteInfo info = Info(file);
            QCOMPARE(QString::fromStdU16String(info.OriginalTitle), QString(c.title));
            QCOMPARE(QString::fromStdU16String(info.OriginalURL), QString("https://www.example.org/report"));
            QCOMPARE(Options->PrevBaseURL, std::string("example.org"));
        }
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "Web/Images from Report.files/image.png"), Png);
        // MarkSelection off: the page is not coloured; a whole-page capture leaves it selected.
        QCOMPARE(FBrowser.Doc.Commands, QStringList({"selectAll", "selectAll"}));
    }

    void markSelectionColoursThenUnselects() {
        Options->MarkSelection = true;
        Options->MarkColor = 0x0000FF;  // red
        Options->Save();
        auto pane = MakePane();
        pane->actAddSelectionExecute(60);
        QCOMPARE(FBrowser.Doc.Commands,
                 QStringList({"selectAll", "foreColor #FF0000", "backColor #FFFF00", "unselect"}));
        FBrowser.Doc.Commands.clear();
        pane->actAddSelectionExecute(10);
        QCOMPARE(FBrowser.Doc.Commands, QStringList({"foreColor #FF0000", "backColor #FFFF00", "unselect"}));
    }

    void emptyStoreAsksForAFolderFirst() {
        FileSystem::RemoveTree(FStore + "Web");
        FileSystem::RemoveTree(FStore + "Mail");
        auto pane = MakePane();
        FPrompt->Answers = {TAnswer::No};
        pane->actAddSelectionExecute(10);
        QCOMPARE(FPrompt->Captions, std::vector<std::string>{"Folders"});
        QCOMPARE(FPrompt->Texts.front(), std::string("There are no existing folders. \r\nWould you like to create a new one?"));
        QVERIFY(ReportUtils::GetCurFOldersList(FStore, false).empty());
        QVERIFY(ReportUtils::GetFileCountInDir(FStore, "*") <= 0);
    }

    void cancelledDialogKeepsOnlyTheModeSettings() {
        Options->ConfirmAddNote = true;
        Options->PrevFolder = "Mail";
        Options->Save();
        auto pane = MakePane();
        OnNextModal([](QWidget* form) {
            Child<QCheckBox>(form, "chkAddToLast")->setChecked(false);
            static_cast<QDialog*>(form)->reject();
        });
        pane->actAddSelectionExecute(10);
        QVERIFY(ReportUtils::GetFileCountInDir(FStore + "Web/", "*.html") <= 0);
        QCOMPARE(Options->PrevFolder, std::string("Mail"));
        QVERIFY(Options->NoteAddToLast);  // the form's check boxes count only when accepted
    }

    void dropsOfEachKindOnAFolder_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("plain text") << "text";
        QTest::newRow("html with its page") << "html";
        QTest::newRow("rtf") << "rtf";
        QTest::newRow("link with title") << "link";
        QTest::newRow("message") << "message";
        QTest::newRow("dropped .eml file") << "eml";
        QTest::newRow("dropped .html file") << "htmlfile";
        QTest::newRow("dropped .url file") << "urlfile";
    }
    void dropsOfEachKindOnAFolder() {
        QFETCH(QString, what);
        const std::string in = GuiTestEnv::MakeTempDir("in");
        auto* mime = new QMimeData;
        std::string name, inBody, url;
        if (what == "text") {
            mime->setText("line one <x>\nline two");
            name = "Note", inBody = "line one &lt;x&gt;<BR>line two";
        } else if (what == "html") {
            mime->setData("text/html", "<p>Caf\xC3\xA9 <i>au lait</i></p>");
            mime->setData("text/x-moz-url-priv", Utf16("https://shop.example/cafe"));
            name = "Note", inBody = "<p>Caf\xC3\xA9 <i>au lait</i></p>", url = "https://shop.example/cafe";
        } else if (what == "rtf") {
            mime->setData("text/rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Rich {\\b bold} text\\par}");
            name = "Note", inBody = "<B>bold</B>", url = ReportUtils::GetWindowsTempFolder() + "/";
        } else if (what == "link") {
            mime->setData("text/x-moz-url", Utf16("https://ex.org/a&b\nA <title>"));
            name = "Note", inBody = "<A HREF=\"https://ex.org/a&amp;b\">A &lt;title&gt;</A>";
        } else if (what == "message") {
            mime->setData("message/rfc822", "From: a@ex.org\nTo: b@ex.org\nSubject: Hello there\nContent-Type: text/html\n\n<p>hi</p>\n");
            name = "Hello there", inBody = "</table><p>hi</p>";
        } else if (what == "eml") {
            GuiTestEnv::WriteFile(in + "m.eml", "From: a@ex.org\nSubject: Plain one\n\nJust text\n");
            mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(in + "m.eml"))});
            name = "Plain one", inBody = "Just text<BR>";
        } else if (what == "htmlfile") {
            GuiTestEnv::WriteFile(in + "page.html", "<html><body><p>Page</p><img src=\"a.png\"></body></html>");
            GuiTestEnv::WriteFile(in + "a.png", Png);
            mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(in + "page.html"))});
            name = "Note", inBody = "<img src=\"Note.files/a.png\">", url = "file://" + in + "page.html";
        } else if (what == "urlfile") {
            GuiTestEnv::WriteFile(in + "Docs.url", "[InternetShortcut]\nURL=https://docs.example/\n");
            mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(in + "Docs.url"))});
            name = "Note", inBody = "<A HREF=\"https://docs.example/\">Docs</A>";
        }
        auto pane = MakePane();
        // A drop on a note files the note into that note's folder.
        GuiTestEnv::WriteFile(FStore + "Mail/old.html", "<html><body>old</body></html>");
        pane->LoadTree(false);
        TNode* mail = Folder(*pane, "Mail");
        QVERIFY(mail);
        pane->ExpandNode(mail);
        QVERIFY(!mail->Children.empty());
        QVERIFY(pane->DropForeignData(mime, mail->Children.front().get()));
        delete mime;
        const std::string file = FStore + "Mail/" + name + ".html";
        QVERIFY2(!FileSystem::FileExists(file), "the note waits until the drop has returned");
        QTRY_VERIFY2(FileSystem::FileExists(file), file.c_str());
        const std::string text = GuiTestEnv::ReadFile(file);
        QVERIFY2(Contains(text, inBody), text.c_str());
        QCOMPARE(CodePage::WideToAnsi(Info(file).OriginalURL), url);
        if (what == "htmlfile") QCOMPARE(GuiTestEnv::ReadFile(FStore + "Mail/Note.files/a.png"), Png);
        QCOMPARE(Options->DefFolder, std::string("Mail"));
    }

    void dropOnThePaneGoesToTheDefaultFolder() {
        auto pane = MakePane();
        QMimeData mime;
        mime.setText("dropped");
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        static_cast<QObject*>(pane.get())->event(&drop);  // as the drag machinery delivers it
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QTRY_VERIFY(FileSystem::FileExists(FStore + "Web/Note.html"));
        // Data without a readable format is refused and makes no note.
        QMimeData image;
        image.setData("image/png", QByteArray::fromStdString(Png));
        QDropEvent refused(QPointF(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        refused.ignore();
        static_cast<QObject*>(pane.get())->event(&refused);
        QVERIFY(!refused.isAccepted());
    }

    void clipboardCommandKeepsTheSourceButNoTitle() {
        auto* mime = new QMimeData;
        mime->setData("text/html", "<p>copied</p>");
        mime->setData("chromium/x-source-url", "https://copied.example/page");
        QGuiApplication::clipboard()->setMimeData(mime);
        auto pane = MakePane();
        pane->actAddSelectionExecute(30);
        const std::string file = FStore + "Web/Note.html";
        QVERIFY(FileSystem::FileExists(file));
        QVERIFY(Contains(GuiTestEnv::ReadFile(file), "<p>copied</p>"));
        QCOMPARE(QString::fromStdU16String(Info(file).OriginalURL), QString("https://copied.example/page"));
        QVERIFY(Info(file).OriginalTitle.empty());
        // An empty clipboard does nothing.
        QGuiApplication::clipboard()->clear();
        pane->actAddSelectionExecute(30);
        QCOMPARE(ReportUtils::GetFileCountInDir(FStore + "Web/", "*.html"), 1);
    }
};

QB_GUI_TEST_MAIN(TestFrmMainCapture)
#include "frmMainCapture.moc"
