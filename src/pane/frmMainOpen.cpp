// Opening and sending notes: a click on a note, "Open", "Open URL", the index pages, the word
// processor and "Send".
#include "pane/frmMain.h"

#include "pane/QtStrings.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"

#include <QFutureWatcher>
#include <QMouseEvent>
#include <QPromise>
#include <QThreadPool>
#include <QUrl>

namespace {

constexpr const char* ReplyAddressQuestion =
    "You have to enter your e-mail address to be used for replies.\r\nWould you like to enter it now?";
// The preferences dialog's page with the reply address.
constexpr int PrefsEmailPage = 4;

// Runs a callback for the events of one object, before the object sees them.
class TEventWatcher : public QObject {
public:
    TEventWatcher(QObject* target, std::function<void(QEvent*)> watch) : QObject(target), FWatch(std::move(watch)) {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        FWatch(event);
        return false;
    }

private:
    std::function<void(QEvent*)> FWatch;
};

// The words of a command line: blanks separate, double quotes group. A command that names an
// existing program file as a whole (a path with blanks whose quotes are gone) is one word.
std::vector<std::string> CommandWords(const std::string& command) {
    if (FileSystem::FileExists(command)) return {command};
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// A note's source address is opened only when it is a page of the web (or, in the program's
// own browser, a local page): never a script address or a program the desktop would run.
bool MayOpenSource(const QString& address, bool inBrowser) {
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https" || scheme == "ftp" || (inBrowser && scheme == "file"));
}

// The word processor: the program and the arguments that go before the file.
struct TWordProcessor {
    std::string Path;
    std::vector<std::string> Args;
};

TWordProcessor FindWordProcessor() {
    TWordProcessor word;
    TrapVoid("TfrmMain.FormCreate.WordProcessor", [&] {
        std::vector<std::string> words = CommandWords(ReportUtils::GetProgramAssociation(".doc"));
        if (words.empty()) return;
        word.Path = Shell::FindProgram(words[0]);
        if (!word.Path.empty()) word.Args.assign(words.begin() + 1, words.end());
    });
    return word;
}

}  // namespace

// ---- Start-up: the word processor and the tree's clicks ----

// The word processor is whatever the desktop opens ".doc" files with, settled once at start.
// Asking the desktop takes a while (xdg-mime runs as a script), so the answer is found on a
// worker thread and the command shows when it comes; until then it stays hidden.
void TfrmMain::SettleWordProcessor() {
    Action("actOpenWithMSWord")->setVisible(false);
    auto promise = std::make_shared<QPromise<TWordProcessor>>();
    auto* watcher = new QFutureWatcher<TWordProcessor>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const TWordProcessor word = watcher->future().resultCount() ? watcher->result() : TWordProcessor();
        FWordPath = word.Path;
        FWordArgs = word.Args;
        QAction* action = Action("actOpenWithMSWord");
        action->setVisible(!FWordPath.empty());
        if (!FWordPath.empty()) action->setText("Open With " + AnsiToQ(FWordPath.substr(FWordPath.find_last_of('/') + 1)));
        FWordSettled = true;
        watcher->deleteLater();
    });
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise] {
        promise->addResult(FindWordProcessor());
        promise->finish();
    });
}

// A left click opens the note under the mouse. A press starts a new gesture, so a move that
// ended without a release of its own (the drag swallowed it) never eats a later click; the
// release that ends a double click is not a click.
void TfrmMain::WatchTreeClicks() {
    auto afterDoubleClick = std::make_shared<bool>(false);
    new TEventWatcher(FTree->viewport(), [this, afterDoubleClick](QEvent* event) {
        const auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (!mouse || mouse->button() != Qt::LeftButton) return;
        if (event->type() == QEvent::MouseButtonPress) {
            FNodeMoved = false;
            *afterDoubleClick = false;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            *afterDoubleClick = true;
        } else if (event->type() == QEvent::MouseButtonRelease && !*afterDoubleClick) {
            const QModelIndex hit = FTree->indexAt(mouse->position().toPoint());
            treeNotesClick(hit.isValid() ? FModel->NodeOf(hit) : nullptr);
        }
    });
}

// ---- Launching other programs ----

bool TfrmMain::Launch(const std::vector<std::string>& argv) {
    return FLaunch ? FLaunch(argv) : Shell::LaunchDetached(argv);
}

// A failed start raises, so the command ends in its trap with the log line.
void TfrmMain::ShellOpen(const QString& target) {
    if (!Launch({"xdg-open", QToAnsi(target)})) throw EOSError("The desktop could not open " + QToAnsi(target));
}

// ---- Opening ----

void TfrmMain::treeNotesClick(TNode* node) {
    TrapVoid("TfrmMain.treeNotesClick", [&] {
        if (!node || !node->Data || node->Data->IsFolder) return;
        if (FNodeMoved) {
            FNodeMoved = false;  // the release that ended a move
            return;
        }
        OpenNodeWindow(node, !Options->ShowSnippetInBrowserWindow);
    });
}

// A note's file, a folder's directory, or the store root for a node at the top.
QString TfrmMain::NodeAddress(TNode* node) {
    TNode* folder = node->Data->IsFolder ? node : node->Parent;
    const QString path = GetNodePath(folder);
    const QString store = AnsiToQ(Options->FolderToStore);
    if (path.isEmpty()) return store;
    if (node->Data->IsFolder) return store + path + "/";
    return store + path + "/" + node->Data->Name + ".html";
}

void TfrmMain::OpenAddress(const QString& address, bool newWindow) {
    if (TWebBrowser* browser = GetWebBrowser())
        browser->Navigate(address, newWindow ? QString("_new") : QString(), true);
    else
        ShellOpen(address);
}

void TfrmMain::OpenNodeWindow(TNode* node, bool newWindow) {
    TrapVoid("TfrmMain.OpenNodeWindow", [&] {
        if (node && node->Data) OpenAddress(NodeAddress(node), newWindow);
    });
}

void TfrmMain::OpenNoteFile(const QString& fileName, const QStringList& highlight) {
    TrapVoid("TfrmMain.OpenNoteFile", [&] {
        OpenAddress(fileName, !Options->ShowSnippetInBrowserWindow);
        TWebBrowser* browser = GetWebBrowser();
        if (browser && !highlight.isEmpty()) browser->HighlightWords(highlight);
    });
}

// A new window is a second browser window of the program, which has its own toolbar, address
// box and status bar.
void TfrmMain::OpenURL(const QString& path, bool newWindow) {
    TrapVoid("TfrmMain.OpenURL", [&] {
        if (!FileSystem::PathExists(QToAnsi(path))) return;
        if (TWebBrowser* browser = GetWebBrowser()) browser->Navigate(path, newWindow ? QString("_new") : QString());
    });
}

void TfrmMain::actOpenNodeExecute() {
    TrapVoid("TfrmMain.actOpenNodeExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data) return;
        if (node->Data->IsFolder) {
            std::string report;
            MakeReport(node->Data->Name, GetNodePath(node), true, report);
        } else {
            OpenNodeWindow(node, !Options->ShowSnippetInBrowserWindow);
        }
    });
}

void TfrmMain::actOpenSourceURLExecute() {
    TrapVoid("TfrmMain.actOpenSourceURLExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data) return;
        if (node->Data->IsFolder) return OpenNodeWindow(node, true);
        const QString url = node->Data->OriginalURL.trimmed();
        TWebBrowser* browser = GetWebBrowser();
        if (!MayOpenSource(url, browser != nullptr)) return;
        if (!browser) return ShellOpen(url);
        browser->Navigate(url, Options->ShowSnippetInBrowserWindow ? QString() : QString("_new"));
    });
}

void TfrmMain::actOpenNINdexExecute() {
    TrapVoid("TfrmMain.actOpenNINdexExecute", [&] {
        OpenURL(AnsiToQ(Options->AppPath) + "index.html", !Options->ShowSnippetInBrowserWindow);
    });
}

void TfrmMain::actOpenRIndexExecute() {
    TrapVoid("TfrmMain.actOpenRIndexExecute", [&] {
        OpenURL(AnsiToQ(Options->AppPath) + "rindex.html", !Options->ShowSnippetInBrowserWindow);
    });
}

// The note's file, or the folder's report, opens in the word processor. A missing file opens nothing.
void TfrmMain::actOpenWithMSWordExecute() {
    TrapVoid("TfrmMain.actOpenWithMSWordExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data || FWordPath.empty()) return;
        std::string file;
        if (node->Data->IsFolder) {
            MakeReport(node->Data->Name, GetNodePath(node), false, file);
        } else {
            file = StoreFolderOf(node->Parent) + QToAnsi(node->Data->Name) + ".html";
        }
        if (file.empty() || !FileSystem::FileExists(file)) return;
        std::vector<std::string> argv = {FWordPath};
        argv.insert(argv.end(), FWordArgs.begin(), FWordArgs.end());
        argv.push_back(file);
        if (!Launch(argv)) throw EOSError("The word processor could not be started: " + FWordPath);
    });
}

// ---- Sending ----

void TfrmMain::actSendExecute() {
    TrapVoid("TfrmMain.actSendExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data) return;
        // The reply address first: asked for until it is given or the user gives up.
        while (Strings::Trim(Options->FromEmail).empty()) {
            if (Prompt().Ask(ReplyAddressQuestion, "E-mail", TButtons::YesNoCancel, TIcon::Question) != TAnswer::Yes)
                return;
            Options->Save();
            std::unique_ptr<IPlumetsPrefs> prefs = Dialogs().CreatePrefs();
            prefs->ShowModal(PrefsEmailPage);
            if (prefs->Accepted()) Options->Load();
        }
        const TMyNode& rec = *node->Data;
        const std::string name = QToAnsi(rec.Name);
        std::string body, attachment;
        if (rec.IsFolder) {
            MakeReport(rec.Name, GetNodePath(node), false, attachment);  // no report: sent without it
            if (Options->SendAsAttach)
                body = "Title: " + name + "\n" + "Created on " + DateTimeUtils::DateTimeToStr(DateTimeUtils::Now());
        } else {
            if (!node->Parent || !node->Parent->Data) return;
            attachment = Options->FolderToStore + QToAnsi(GetNodePath(node->Parent)) + "/" + name + ".html";
            if (!FileSystem::FileExists(attachment)) throw EInOutError("The note's file is missing: " + attachment);
            if (Options->SendAsAttach) {
                body = "Title:\n " + name + "\n" + "Original URL:\n" + QToAnsi(rec.OriginalURL) + "\n";
                if (!rec.OriginalTitle.isEmpty()) body += "Original title:\n" + QToAnsi(rec.OriginalTitle) + "\n";
                body += "Date:\n" + DateTimeUtils::DateTimeToStr(rec.Created);
            }
        }
        // No recipient: the user addresses the message in the mail program.
        ReportUtils::SendLetter(Options->FromEmail, Options->FromName, "", name, body, attachment, Prompt(), FLaunch);
    });
}
