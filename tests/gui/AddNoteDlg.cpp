// The add-note dialog's real work: the new-note-or-append rule, new notes, appends, edits,
// and the pictures saved from files, data addresses and the web.
#include "pane/AddNoteDlg.h"
#include "pane/QtPictureFetcher.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {

QByteArray PngBytes(int size = 4) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

class TestAddNoteDlg : public QObject {
    Q_OBJECT
    std::string FStore;
    TScriptedPrompt FPrompt;

    // A capture set up as the pane does it, without showing the form.
    std::unique_ptr<TPlumetAddDlg> Capture(const QString& folder, const QString& url, const QString& content) {
        auto dlg = std::make_unique<TPlumetAddDlg>(nullptr, FPrompt);
        dlg->SetURL(url);
        dlg->SetEmptyNote(false);
        dlg->SetFolder(folder);
        dlg->SetOriginalTitle("Page title");
        dlg->SetContent(content);
        dlg->SetCharset("UTF-8");
        dlg->SetContentKind(0);
        dlg->SetAutoEdit(false);
        dlg->SetStoreRoot(QString::fromStdString(FStore));
        dlg->SetSaveImages(true);
        dlg->SetConfirmAddNote(false);
        dlg->SetNoteAddToLast(Options->NoteAddToLast);
        dlg->SetNewNoteOnNewSite(Options->NewNoteOnNewSite);
        dlg->SetForceNewNoteMode(Options->ForceNewNoteMode);
        dlg->SetPrevBaseURL(QString::fromStdString(Options->PrevBaseURL));
        dlg->SetPrevFolder(QString::fromStdString(Options->PrevFolder));
        dlg->SetPrevTitle(QString::fromStdString(Options->PrevTitle));
        return dlg;
    }

    // Shows the dialog and keeps its results as the pane does, info block included.
    void Accept(TPlumetAddDlg& dlg) {
        dlg.ShowModal();
        QVERIFY(dlg.Accepted());
        const std::string file = FStore + dlg.Folder().toStdString() + "/" + dlg.Title().toStdString() + ".html";
        ReportUtils::SaveNodeToXML(file, dlg.Title().toStdString(), dlg.OriginalTitle().toStdString(),
                                   dlg.URL().toStdString(), DateTimeUtils::Now(), dlg.Comments().toStdString());
        Options->PrevFolder = dlg.PrevFolder().toStdString();
        Options->PrevTitle = dlg.PrevTitle().toStdString();
        Options->PrevBaseURL = dlg.PrevBaseURL().toStdString();
    }

    std::string NoteText(const char* relative) { return GuiTestEnv::ReadFile(FStore + relative); }

private slots:
    void init() {
        FStore = GuiTestEnv::ResetOptions();
        FPrompt = TScriptedPrompt();
        FileSystem::ForceDirectories(FStore + "Web");
        FileSystem::ForceDirectories(FStore + "Other");
    }

    void newNoteGetsAValidUnusedName() {
        GuiTestEnv::WriteFile(FStore + "Web/A B.html", "taken");
        auto dlg = Capture("Web", "https://www.example.org/a", "<p>Hello &amp; more</p>");
        dlg->SetTitle(" A:B? ");
        Accept(*dlg);
        QCOMPARE(dlg->Title(), QString("A B-1"));
        const std::string text = NoteText("Web/A B-1.html");
        QVERIFY(Contains(text, "<p>Hello &amp; more</p>"));
        QVERIFY(Contains(text, "<title>A B-1</title>"));
        QCOMPARE(NoteText("Web/A B.html"), std::string("taken"));
        QCOMPARE(dlg->PrevFolder(), QString("Web"));
        QCOMPARE(dlg->PrevTitle(), QString("A B-1"));
        QCOMPARE(dlg->PrevBaseURL(), QString("example.org"));
        // Without a title the page title names the note.
        auto second = Capture("Other", "https://x.net/", "<p>x</p>");
        Accept(*second);
        QCOMPARE(second->Title(), QString("Page title"));
        // A long title is cut to a name the file system takes, at a whole character.
        auto third = Capture("Other", "", "<p>x</p>");
        third->SetTitle(QString(120, QChar(0x65E5)));
        Accept(*third);
        QVERIFY(third->Title().toUtf8().size() <= 150);
        QVERIFY(third->Title().startsWith(QString(40, QChar(0x65E5))));
        QVERIFY(FileSystem::FileExists(FStore + "Other/" + third->Title().toStdString() + ".html"));
    }

    void captureFromTheSameSiteIsAppended() {
        auto first = Capture("Web", "https://www.example.org/one", "<p>first part</p>");
        first->SetComments("start");
        Accept(*first);
        auto second = Capture("Web", "https://example.org/two", "<p>second part</p>");
        second->SetComments("more");
        QVERIFY(second->WouldAppend());
        Accept(*second);
        QCOMPARE(second->Title(), first->Title());
        const std::string text = NoteText("Web/Page title.html");
        const size_t one = text.find("first part"), two = text.find("second part"), end = text.find("</body>");
        QVERIFY(one < two && two < end);
        QCOMPARE(text.find("</body>", end + 1), std::string::npos);
        QVERIFY(Contains(text, "https://example.org/two"));  // the appended part names its page
        // The note keeps where it was started; both comments stay.
        QCOMPARE(second->URL(), QString("https://www.example.org/one"));
        QCOMPARE(second->Comments(), QString("start\nmore"));
        QVERIFY(!FileSystem::FileExists(FStore + "Web/Page title-1.html"));
        // Another site starts a new note.
        auto third = Capture("Web", "https://elsewhere.net/", "<p>third</p>");
        Accept(*third);
        QCOMPARE(third->Title(), QString("Page title-1"));
    }

    void picturesFromFilesAndDataAddressesAreSaved() {
        const std::string pictures = GuiTestEnv::MakeTempDir("pictures");
        const QByteArray png = PngBytes();
        GuiTestEnv::WriteFile(pictures + "photo one.png", png.toStdString());
        GuiTestEnv::WriteFile(pictures + "secret.txt", "not a picture");
        const QString content = QString("<p><img src=\"file://%1photo%20one.png\"> <img src='data:image/png;base64,%2'>"
                                        " <img src=%1secret.txt> <img src=\"file://%1photo%20one.png\"></p>")
                                    .arg(QString::fromStdString(pictures), QString::fromLatin1(png.toBase64()));
        auto dlg = Capture("Web", "file://" + QString::fromStdString(pictures) + "page.html", content);
        dlg->SetTitle("Pics");
        Accept(*dlg);
        QCOMPARE(dlg->SavedImages(), 2);
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "Web/Pics.files/photo one.png"), png.toStdString());
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "Web/Pics.files/image.png"), png.toStdString());
        const std::string text = NoteText("Web/Pics.html");
        QVERIFY(Contains(text, "<img src=\"Pics.files/photo%20one.png\">"));
        QVERIFY(Contains(text, "<img src='Pics.files/image.png'>"));
        QVERIFY(Contains(text, "secret.txt"));  // not a picture: left as it was
        QVERIFY(!FileSystem::FileExists(FStore + "Web/Pics.files/secret.txt"));

        auto off = Capture("Other", "file://" + QString::fromStdString(pictures) + "page.html", content);
        off->SetSaveImages(false);
        off->SetTitle("NoPics");
        Accept(*off);
        QVERIFY(!FileSystem::PathExists(FStore + "Other/NoPics.files"));
        QVERIFY(Contains(NoteText("Other/NoPics.html"), "photo%20one.png\""));
    }

    void allImagesKeepsOnlyThePictures() {
        const QByteArray png = PngBytes();
        auto dlg = Capture("Web", "", "<h1>Text</h1><img src=\"data:image/png;base64," + png.toBase64() + "\"><p>more</p>");
        dlg->SetContentKind(2);
        dlg->SetTitle("Images");
        Accept(*dlg);
        const std::string text = NoteText("Web/Images.html");
        QVERIFY(!Contains(text, "Text") && !Contains(text, "more"));
        QVERIFY(Contains(text, "<img src=\"Images.files/image.png\">"));
    }

    void webPicturesAreFetchedWithinTheirBounds() {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);  // the server is on this machine
        TTinyHttpServer server;
        const QByteArray png = PngBytes(8);
        server.Responses["/img/logo.png"] = TTinyHttpServer::Ok(png, "image/png");
        server.Responses["/big.png"] = TTinyHttpServer::Ok(QByteArray(5000, 'x'), "image/png");
        server.Responses["/page.html"] = TTinyHttpServer::Ok("<html></html>", "text/html");
        const std::string companion = GuiTestEnv::MakeTempDir("web") + "N.files/";
        TQtPictureFetcher fetcher;
        TNoteImageSaver saver(companion, "N.files", server.Url("/articles/a.html").toStdString(), &fetcher);
        TPictureLimits limits;
        limits.MaxImageBytes = 1000;
        limits.TotalTimeoutMs = 10000;
        saver.SetLimits(limits);
        const std::string html = saver.Process(
            "<img src=\"/img/logo.png\"><img src=\"" + server.Url("/big.png").toStdString() +
            "\"><img src=\"../page.html\"><img src=\"/missing.png\">");
        QCOMPARE(saver.SavedCount(), 1);
        QCOMPARE(GuiTestEnv::ReadFile(companion + "logo.png"), png.toStdString());
        QVERIFY(Contains(html, "<img src=\"N.files/logo.png\">"));
        QVERIFY(Contains(html, "/big.png\""));  // over the size bound: not saved
        QVERIFY(Contains(html, "<img src=\"../page.html\">"));  // not a picture
        QVERIFY(Contains(html, "<img src=\"/missing.png\">"));
    }

    void shownFormWritesWhatTheUserConfirms() {
        auto dlg = Capture("Web", "https://example.org/", "<p>body</p>");
        dlg->SetConfirmAddNote(true);
        OnNextModal([](QWidget* form) {
            Child<QLineEdit>(form, "edtName")->setText("Chosen");
            Child<QComboBox>(form, "cbFolder")->setCurrentText("Other");
            Child<QPlainTextEdit>(form, "memComments")->setPlainText("why");
            Child<QCheckBox>(form, "chkConfirm")->setChecked(false);
            static_cast<QDialog*>(form)->accept();
        });
        Accept(*dlg);
        QCOMPARE(dlg->Folder(), QString("Other"));
        QCOMPARE(dlg->Comments(), QString("why"));
        QVERIFY(!dlg->ConfirmAddNote());
        QVERIFY(Contains(NoteText("Other/Chosen.html"), "<p>body</p>"));
    }

    void shownFormRefusesABadFolderAndCancelWritesNothing() {
        auto dlg = Capture("Web", "", "<p>body</p>");
        dlg->SetConfirmAddNote(true);
        dlg->SetTitle("Kept out");
        OnNextModal([](QWidget* form) {
            Child<QComboBox>(form, "cbFolder")->setCurrentText("../outside");
            static_cast<QDialog*>(form)->accept();  // refused: the form stays
            QVERIFY(form->isVisible());
            static_cast<QDialog*>(form)->reject();
        });
        dlg->ShowModal();
        QVERIFY(!dlg->Accepted());
        QCOMPARE(FPrompt.Texts.size(), size_t(1));
        QVERIFY(!FileSystem::FileExists(FStore + "Web/Kept out.html"));
        QVERIFY(!FileSystem::PathExists(FStore + "outside"));
    }

    void editingANoteUnderANewNameCarriesItsPictures() {
        const QByteArray png = PngBytes();
        GuiTestEnv::WriteFile(FStore + "Web/Old.files/a.png", png.toStdString());
        GuiTestEnv::WriteFile(FStore + "Web/Old.html", "<html><body><img src=\"Old.files/a.png\"></body></html>");
        ReportUtils::SaveNodeToXML(FStore + "Web/Old.html", "Old", "T", "https://example.org/", DateTimeUtils::Now(), "");
        const QString oldText = QString::fromStdString(NoteText("Web/Old.html"));
        auto dlg = std::make_unique<TPlumetAddDlg>(nullptr, FPrompt);
        dlg->SetEditMode(true);
        dlg->SetFolder("Web");
        dlg->SetURL("https://example.org/");
        dlg->SetTitle("Old");
        dlg->SetStoreRoot(QString::fromStdString(FStore));
        dlg->SetSaveImages(false);
        dlg->SetContent(oldText);
        dlg->SetConfirmAddNote(false);
        dlg->SetPrevFolder("Web");
        dlg->SetPrevTitle("Old");
        OnNextModal([](QWidget* form) {
            Child<QLineEdit>(form, "edtName")->setText("New");
            static_cast<QDialog*>(form)->accept();
        });
        dlg->ShowModal();
        QVERIFY(dlg->Accepted());
        QCOMPARE(dlg->Title(), QString("New"));
        QCOMPARE(dlg->PrevTitle(), QString("New"));
        QCOMPARE(GuiTestEnv::ReadFile(FStore + "Web/New.files/a.png"), png.toStdString());
        const std::string text = NoteText("Web/New.html");
        QVERIFY(Contains(text, "<img src=\"New.files/a.png\">"));
        QVERIFY(Contains(text, ReportUtils::NoteBeginMarker));
        QVERIFY(!Contains(text, ReportUtils::NoteWarningLine));  // written anew with the block
    }
};

QB_GUI_TEST_MAIN(TestAddNoteDlg)
#include "AddNoteDlg.moc"
