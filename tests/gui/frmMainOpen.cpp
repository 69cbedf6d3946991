// Opening and sending notes: clicks on the tree, "Open", "Open URL", the index pages, the
// word processor, and "Send" with the mail program's arguments and the reply-address question.
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"
#include "support/PaneCommandFakes.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

using TArgs = std::vector<std::string>;

const char* const Template =
    "<!--HEADER_BEGIN-->\n<html><body><h1>#HEADER_TITLE#</h1>\n<!--HEADER_END-->\n"
    "<!--NOTE_BEGIN-->\n<h2>#NOTE_TITLE#</h2>#NOTE_TEXT#\n<!--NOTE_END-->\n"
    "<!--FOOTER_BEGIN-->\n</body></html>\n<!--FOOTER_END-->\n";

// 1 March 2024, 14:05:09
const TDateTime NoteCreated = DateTimeUtils::EncodeDateTime({2024, 3, 1, 14, 5, 9, 0});

void WriteNote(const std::string& file, const std::string& url, const std::string& originalTitle) {
    GuiTestEnv::WriteFile(file, "<html><body><p>Colosseum at dawn</p></body></html>\r\n");
    ReportUtils::SaveNodeToXML(file, "t", originalTitle, url, NoteCreated, "");
}

void SetWordProcessor(const std::string& command) {
    TRegistry reg(THive::ClassesRoot);
    reg.OpenKey(".doc\\shell\\open\\command", true);
    reg.WriteString("", command);
}

}  // namespace

class TestFrmMainOpen : public QObject, TPaneRig {
    Q_OBJECT

    // A pane on the store with the folder Trips (notes Rome and Bare) focused and expanded.
    std::unique_ptr<TfrmMain> MakePane(bool withBrowser = true) {
        auto pane = TPaneRig::MakePane(withBrowser);
        pane->LoadTree(true);
        return pane;
    }
    TNode* Note(TfrmMain& pane, const QString& name = "Rome") {
        for (const auto& child : pane.Model()->Root()->Children[0]->Children)
            if (child->Data->Name == name) return child.get();
        return nullptr;
    }
    void Focus(TfrmMain& pane, TNode* node) { pane.treeNotes()->setCurrentIndex(pane.Model()->IndexOf(node)); }
    QString NoteFile(const char* name = "Rome") { return QString::fromStdString(FStore + "Trips/" + name + ".html"); }

private slots:
    void init() {
        ResetRig();
        GuiTestEnv::WriteFile(Options->AppPath + "Templates/Simple.html", Template);
        WriteNote(FStore + "Trips/Rome.html", "https://example.org/rome", "Rome guide");
        WriteNote(FStore + "Trips/Bare.html", "https://example.org/bare", "");
        Options->DefFolder = "Trips";
        Options->FromEmail = "me@example.org";
        SetWordProcessor("no-such-word-processor %1");
    }

    void clickOnANoteOpensItWhereTheSettingSays() {
        struct Case { bool inBrowserWindow; const char* target; };
        for (auto [inBrowserWindow, target] : {Case{true, ""}, Case{false, "_new"}}) {
            Options->ShowSnippetInBrowserWindow = inBrowserWindow;
            FBrowser.Navigations.clear();
            auto pane = MakePane();
            pane->resize(300, 400);
            pane->show();
            QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
            TNotesTreeView* tree = pane->treeNotes();
            const QModelIndex folder = pane->Model()->IndexOf(pane->FocusedNode());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(folder).center());
            QVERIFY(FBrowser.Navigations.empty());  // a folder opens nothing
            const QModelIndex rome = pane->Model()->IndexOf(Note(*pane));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(rome).center());
            QCOMPARE(FBrowser.Navigations.size(), size_t(1));
            QCOMPARE(FBrowser.Navigations[0].Address, NoteFile());
            QCOMPARE(FBrowser.Navigations[0].Target, QString(target));
            QVERIFY(FBrowser.Navigations[0].NoCache);
            // A click on empty space opens nothing either.
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(150, 390));
            QCOMPARE(FBrowser.Navigations.size(), size_t(1));
        }
    }

    void theReleaseThatEndsAMoveOpensNothingTheNextClickDoes() {
        auto pane = MakePane();
        pane->resize(300, 400);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        TNotesTreeView* tree = pane->treeNotes();
        const QPoint at = tree->visualRect(pane->Model()->IndexOf(Note(*pane))).center();
        // A move inside the tree happens between the press and the release of one gesture.
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
        pane->FNodeMoved = true;
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(FBrowser.Navigations.empty());
        QVERIFY(!pane->FNodeMoved);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(FBrowser.Navigations.size(), size_t(1));
        // A move whose release never reached the tree does not eat the next click.
        pane->FNodeMoved = true;
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(FBrowser.Navigations.size(), size_t(2));
        // Called directly, the flag is honoured and cleared.
        pane->FNodeMoved = true;
        pane->treeNotesClick(Note(*pane));
        QCOMPARE(FBrowser.Navigations.size(), size_t(2));
        pane->treeNotesClick(Note(*pane));
        QCOMPARE(FBrowser.Navigations.size(), size_t(3));
    }

    void openShowsANoteOrMakesAndShowsTheFolderReport() {
        auto pane = MakePane();
        pane->actOpenNodeExecute();  // the folder Trips
        QCOMPARE(FBrowser.Navigations.size(), size_t(1));
        const std::string report = FBrowser.Navigations[0].Address.toStdString();
        QVERIFY(report.ends_with("/tmprep.html"));
        QVERIFY(GuiTestEnv::ReadFile(report).find("Colosseum at dawn") != std::string::npos);
        Focus(*pane, Note(*pane));
        Options->ShowSnippetInBrowserWindow = false;
        pane->actOpenNodeExecute();
        QCOMPARE(FBrowser.Navigations.back().Address, NoteFile());
        QCOMPARE(FBrowser.Navigations.back().Target, QString("_new"));
    }

    void withoutABrowserTheDesktopOpensTheNote() {
        auto pane = MakePane(false);
        pane->OpenNodeWindow(Note(*pane), false);
        pane->OpenNodeWindow(pane->FocusedNode(), true);
        QCOMPARE(FLauncher.Calls, std::vector<TArgs>({{"xdg-open", NoteFile().toStdString()}, {"xdg-open", FStore + "Trips/"}}));
        // Local pages need the program's browser: without it they are not opened.
        GuiTestEnv::WriteFile(Options->AppPath + "index.html", "<html></html>");
        pane->actOpenNINdexExecute();
        QCOMPARE(FLauncher.Calls.size(), size_t(2));
    }

    void indexPagesOpenOnlyWhenTheyExist() {
        struct Case { const char* file; void (TfrmMain::*command)(); };
        for (auto [file, command] : {Case{"index.html", &TfrmMain::actOpenNINdexExecute},
                                     Case{"rindex.html", &TfrmMain::actOpenRIndexExecute}}) {
            auto pane = MakePane();
            std::remove((Options->AppPath + "index.html").c_str());  // the pane writes it at start
            FBrowser.Navigations.clear();
            (pane.get()->*command)();
            QVERIFY2(FBrowser.Navigations.empty(), file);
            GuiTestEnv::WriteFile(Options->AppPath + file, "<html></html>");
            Options->ShowSnippetInBrowserWindow = true;
            (pane.get()->*command)();
            Options->ShowSnippetInBrowserWindow = false;
            (pane.get()->*command)();
            QCOMPARE(FBrowser.Navigations.size(), size_t(2));
            QCOMPARE(FBrowser.Navigations[0].Address.toStdString(), Options->AppPath + file);
            QCOMPARE(FBrowser.Navigations[0].Target, QString());
            QCOMPARE(FBrowser.Navigations[1].Target, QString("_new"));
            std::remove((Options->AppPath + file).c_str());
        }
    }

    void openURLOpensTheSourcePageOfWebAddressesOnly() {
        struct Case { const char* url; bool browser; TArgs launched; const char* navigated; };
        const Case cases[] = {
            {"https://example.org/rome", true, {}, "https://example.org/rome"},
            {"https://example.org/rome", false, {"xdg-open", "https://example.org/rome"}, nullptr},
            {"javascript:alert(1)", true, {}, nullptr},
            {"/home/someone/run.desktop", false, {}, nullptr},
            {"file:///tmp/page.html", true, {}, "file:///tmp/page.html"},
            {"file:///tmp/page.html", false, {}, nullptr},
            {"", true, {}, nullptr},
        };
        for (const Case& c : cases) {
            ReportUtils::SaveNodeToXML(NoteFile().toStdString(), "t", "Rome guide", c.url, NoteCreated, "");
            FBrowser.Navigations.clear();
            FLauncher.Calls.clear();
            auto pane = MakePane(c.browser);
            Focus(*pane, Note(*pane));
            pane->actOpenSourceURLExecute();
            QCOMPARE(FLauncher.Calls.empty() ? TArgs() : FLauncher.Calls[0], c.launched);
            QCOMPARE(FBrowser.Navigations.size(), size_t(c.navigated ? 1 : 0));
            if (c.navigated) QCOMPARE(FBrowser.Navigations[0].Address, QString(c.navigated));
        }
        // A folder's source is its own listing, in a new window.
        auto pane = MakePane();
        FBrowser.Navigations.clear();
        pane->actOpenSourceURLExecute();
        QCOMPARE(FBrowser.Navigations[0].Address.toStdString(), FStore + "Trips/");
        QCOMPARE(FBrowser.Navigations[0].Target, QString("_new"));
    }

    void wordProcessorShowsOnlyWhenTheDesktopHasOne() {
        {
            auto pane = MakePane();
            QTRY_VERIFY(pane->WordProcessorSettled());
            QVERIFY(!pane->Action("actOpenWithMSWord")->isVisible());
            pane->actOpenWithMSWordExecute();
            QVERIFY(FLauncher.Calls.empty());
        }
        const std::string program = GuiTestEnv::Root() + "bin/writer";
        GuiTestEnv::WriteFile(program, "#!/bin/sh\n");
        ::chmod(program.c_str(), 0755);
        SetWordProcessor(program + " --view %1");
        auto pane = MakePane();
        QTRY_VERIFY(pane->WordProcessorSettled());
        QAction* word = pane->Action("actOpenWithMSWord");
        QVERIFY(word->isVisible());
        QCOMPARE(word->text(), QString("Open With writer"));
        pane->actOpenWithMSWordExecute();  // the folder: its report
        QCOMPARE(FLauncher.Calls.size(), size_t(1));
        QVERIFY(FLauncher.Calls[0][1] == "--view" && FLauncher.Calls[0][2].ends_with("/tmprep.html"));
        Focus(*pane, Note(*pane));
        pane->actOpenWithMSWordExecute();
        QCOMPARE(FLauncher.Calls.back(), TArgs({program, "--view", NoteFile().toStdString()}));
        // A missing note file opens nothing; a failed start ends quietly.
        std::remove((NoteFile().toStdString()).c_str());
        pane->actOpenWithMSWordExecute();
        QCOMPARE(FLauncher.Calls.size(), size_t(2));
        Focus(*pane, Note(*pane, "Bare"));
        FLauncher.Result = false;
        pane->actOpenWithMSWordExecute();
        QCOMPARE(FPrompt->Texts.size(), size_t(0));
    }

    void sendHandsTheNoteOrTheFolderReportToTheMailProgram() {
        const std::string date = DateTimeUtils::DateTimeToStr(NoteCreated);
        struct Case { const char* note; bool attach; std::string body; };
        const Case cases[] = {
            {"Rome", true, "Title:\n Rome\nOriginal URL:\nhttps://example.org/rome\nOriginal title:\nRome guide\nDate:\n" + date},
            {"Bare", true, "Title:\n Bare\nOriginal URL:\nhttps://example.org/bare\nDate:\n" + date},
            {"Rome", false, ""},
        };
        for (const Case& c : cases) {
            Options->SendAsAttach = c.attach;
            FLauncher.Calls.clear();
            auto pane = MakePane();
            Focus(*pane, Note(*pane, c.note));
            pane->actSendExecute();
            TArgs expected = {"xdg-email", "--subject", c.note};
            if (!c.body.empty()) expected.insert(expected.end(), {"--body", c.body});
            expected.insert(expected.end(), {"--attach", NoteFile(c.note).toStdString()});
            QCOMPARE(FLauncher.Calls, std::vector<TArgs>({expected}));
        }
        // A folder goes as its report.
        for (bool attach : {true, false}) {
            Options->SendAsAttach = attach;
            FLauncher.Calls.clear();
            auto pane = MakePane();
            pane->actSendExecute();
            QCOMPARE(FLauncher.Calls.size(), size_t(1));
            const TArgs& args = FLauncher.Calls[0];
            QCOMPARE(TArgs(args.begin(), args.begin() + 3), TArgs({"xdg-email", "--subject", "Trips"}));
            QVERIFY(args.back().ends_with("/tmprep.html"));
            QCOMPARE(args[args.size() - 2], std::string("--attach"));
            QCOMPARE(args.size(), size_t(attach ? 7 : 5));
            if (!attach) continue;
            const std::string prefix = "Title: Trips\nCreated on ";
            QVERIFY(args[4].starts_with(prefix));
            TDateTime sent = 0;
            QVERIFY(DateTimeUtils::TryStrToDateTime(args[4].substr(prefix.size()), sent));
            QVERIFY(std::abs(sent - DateTimeUtils::Now()) < 1.0 / 24);
        }
    }

    void sendAsksForTheReplyAddressUntilGivenOrRefused() {
        Options->FromEmail = "  ";
        const std::string question =
            "You have to enter your e-mail address to be used for replies.\r\nWould you like to enter it now?";
        {
            auto pane = MakePane();
            FPrompt->Answers = {TAnswer::No};
            pane->actSendExecute();
            QVERIFY(FLauncher.Calls.empty());
            QCOMPARE(FPrompt->Texts, std::vector<std::string>({question}));
            QCOMPARE(FPrompt->Captions, std::vector<std::string>({"E-mail"}));
            QVERIFY(FDialogs->PrefsPages.empty());
        }
        {
            // Yes, the dialog is cancelled, asked again, No: nothing is sent.
            auto pane = MakePane();
            FPrompt->Answers = {TAnswer::Yes, TAnswer::No};
            pane->actSendExecute();
            QVERIFY(FLauncher.Calls.empty());
            QCOMPARE(FPrompt->Texts.size(), size_t(2));
            QCOMPARE(FDialogs->PrefsPages, std::vector<int>({4}));
        }
        {
            // Yes, the address is entered and accepted: the mail goes.
            auto pane = MakePane();
            FPrompt->Answers = {TAnswer::Yes};
            FDialogs->OnPrefs = [](int) {
                TRegistry reg;
                reg.OpenKey(TOptions::RegistryKey, true);
                reg.WriteString("FromEmail", "me@example.org");
                return true;
            };
            pane->actSendExecute();
            QCOMPARE(FPrompt->Texts.size(), size_t(1));
            QCOMPARE(Options->FromEmail, std::string("me@example.org"));
            QCOMPARE(FLauncher.Calls.size(), size_t(1));
        }
    }

    void sendOfAMissingNoteEndsQuietlyAFailedMailProgramShowsTheError() {
        auto pane = MakePane();
        Focus(*pane, Note(*pane));
        std::remove((NoteFile().toStdString()).c_str());
        pane->actSendExecute();
        QVERIFY(FLauncher.Calls.empty());
        QVERIFY(FPrompt->Texts.empty());
        Focus(*pane, Note(*pane, "Bare"));
        FLauncher.Result = false;
        pane->actSendExecute();
        QCOMPARE(FLauncher.Calls.size(), size_t(1));
        QCOMPARE(FPrompt->Texts, std::vector<std::string>({"Error with the mail program configuration.\r\nMail can not be sent."}));
        QCOMPARE(FPrompt->Captions, std::vector<std::string>({"Error"}));
    }
};

QB_GUI_TEST_MAIN(TestFrmMainOpen)
#include "frmMainOpen.moc"
