// The pane's commands: the command table lstActs, the toolbar tbarMain with its submenus, the
// context menu popTree, and the small commands (preferences, help, about, the web page and
// feedback address, the "Visible Save Dialog" switch, the favorites import).
#include "pane/frmMain.h"

#include "favorites/ImportExport.h"
#include "pane/Product.h"
#include "pane/QtStrings.h"
#include "pane/fmAbout.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <QStyle>

namespace {

// Images of lstImages past the tree's three (closed folder, open folder, note).
enum : int { imgNone = -1, imgRefresh = 3, imgEdit = 4, imgNewFolder = 5, imgSend = 6, imgHelp = 7, imgDelete = 8 };

struct TActDef {
    const char* Name;
    int Tag;
    const char* Category;
    const char* Caption;
    const char* Hint;
    int Image;
    // nullptr: the handler takes the command's tag (or is shared) and is connected with
    // ConnectCommand after the table is made.
    void (TfrmMain::*Execute)();
};

// The command table. No command has a keyboard shortcut: the browser's keys stay the browser's.
const TActDef ActDefs[] = {
    {"actAddSelection", 10, "Notes", "Selection", "Add selection", imgNone, nullptr},
    {"actAddEmpty", 20, "Notes", "Empty", "", imgNone, nullptr},
    {"actAddClipboard", 30, "Notes", "Clipboard", "", imgNone, nullptr},
    {"actAddAllImages", 50, "Notes", "All Images", "", imgNone, nullptr},
    {"actAddPage", 60, "Notes", "Entire Page", "", imgNone, nullptr},
    {"actAddFolder", 0, "Folders", "Add Sub-Folder", "Create new folder", imgNone, nullptr},
    {"actAddFolderFromCur", 1, "Folders", "Add Folder", "", imgNone, nullptr},
    {"actShowProps", 0, "Props", "Edit...", "Edit selected note...", imgEdit, nullptr},
    {"actDelete", 0, "Props", "Delete", "Delete selected", imgDelete, nullptr},
    {"actShowPrefs", 0, "Prefs", "Preferences...", "Preferences...", imgNone, &TfrmMain::actShowPrefsExecute},
    {"actRepWizard", 0, "Reports", "Run Report Wizard...", "Run Report Wizard...", imgNone, &TfrmMain::actRepWizardExecute},
    {"actOpenRIndex", 0, "Prefs", "Open Reports Index", "", imgNone, &TfrmMain::actOpenRIndexExecute},
    {"actOpenNINdex", 0, "Prefs", "Notes Index", "Open Notes Index", imgRefresh, &TfrmMain::actOpenNINdexExecute},
    {"actOpenNode", 0, "Notes", "Open", "", imgNone, &TfrmMain::actOpenNodeExecute},
    {"actRepDelete", 0, "Reports", "Delete", "", imgNone, &TfrmMain::actRepDeleteExecute},
    {"actRepOpen", 0, "Reports", "Open", "", imgNone, &TfrmMain::actRepOpenExecute},
    {"actRepOpenNew", 0, "Reports", "Open in new window", "", imgNone, &TfrmMain::actRepOpenNewExecute},
    {"actHelpIndex", 0, "Help", "Step By Step", "Show Help Index", imgNone, &TfrmMain::actHelpIndexExecute},
    {"actAbout", 0, "Help", "About", "", imgNone, &TfrmMain::actAboutExecute},
    {"actOpenSourceURL", 0, "Notes", "Open URL", "", imgNone, &TfrmMain::actOpenSourceURLExecute},
    {"actSend", 0, "Prefs", "Send", "Send", imgSend, &TfrmMain::actSendExecute},
    {"actRefresh", 0, "", "Refresh", "Refresh tree", imgRefresh, &TfrmMain::actRefreshExecute},
    {"actWebPage", 0, "Help", "Web Page", "", imgNone, &TfrmMain::actWebPageExecute},
    {"actEmail", 0, "Help", "Feedback E-mail", "", imgNone, &TfrmMain::actEmailExecute},
    {"actOpenWithMSWord", 0, "", "Open With MS Word", "", imgNone, &TfrmMain::actOpenWithMSWordExecute},
    {"actShowConfirmDlg", 0, "Prefs", "Visible Save Dialog", "", imgNone, &TfrmMain::actShowConfirmDlgExecute},
    {"actImportFavorites", 0, "", "Import Favorites...", "", imgNone, &TfrmMain::actImportFavoritesExecute},
};

// The toolbar's submenus and the context menu, by action name; "-" is a separator.
const char* const FoldersItems[] = {"actAddFolderFromCur", "actAddFolder", "-", "actRepWizard"};
const char* const NoteFromItems[] = {"actAddEmpty", "-", "actAddClipboard", "actAddSelection", "-",
                                     "actAddAllImages", "-", "actAddPage"};
const char* const HelpItems[] = {"actHelpIndex", "-", "actShowConfirmDlg", "actShowPrefs", "-", "actImportFavorites",
                                 "-", "actWebPage", "actEmail", "-", "actAbout"};
const char* const PopTreeItems[] = {"actShowProps", "actOpenNode", "actOpenWithMSWord", "actOpenSourceURL", "actSend",
                                    "actRefresh", "-", "actDelete"};

}  // namespace

void TfrmMain::CreateCommands() {
    const auto icon = [this](const char* theme, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(theme, style()->standardIcon(fallback));
    };
    FImages.resize(imgDelete + 1);
    FImages[imgRefresh] = icon("view-refresh", QStyle::SP_BrowserReload);
    FImages[imgEdit] = icon("document-properties", QStyle::SP_FileDialogDetailedView);
    FImages[imgNewFolder] = icon("folder-new", QStyle::SP_FileDialogNewFolder);
    FImages[imgSend] = icon("mail-send", QStyle::SP_ArrowRight);
    FImages[imgHelp] = icon("help-contents", QStyle::SP_DialogHelpButton);
    FImages[imgDelete] = icon("edit-delete", QStyle::SP_TrashIcon);

    for (const TActDef& def : ActDefs) {
        auto* action = new QAction(def.Caption, this);
        action->setObjectName(def.Name);
        action->setData(def.Tag);
        action->setProperty("category", def.Category);
        action->setProperty("imageIndex", def.Image);
        action->setStatusTip(def.Hint);
        if (*def.Hint) action->setToolTip(def.Hint);
        if (def.Image != imgNone) action->setIcon(FImages[def.Image]);
        if (def.Execute) connect(action, &QAction::triggered, this, [this, execute = def.Execute] { (this->*execute)(); });
        FActs.append(action);
    }
    for (const char* name : {"actAddSelection", "actAddEmpty", "actAddClipboard", "actAddAllImages", "actAddPage"})
        ConnectCommand(name, [this](int tag) { actAddSelectionExecute(tag); });
    for (const char* name : {"actAddFolder", "actAddFolderFromCur"})
        ConnectCommand(name, [this](int tag) { actAddFolderExecute(tag); });
    ConnectCommand("actShowProps", [this](int) { actShowPropsExecute(); });
    ConnectCommand("actDelete", [this](int) { actDeleteExecute(); });
    FActRefresh = Action("actRefresh");
    Action("actShowConfirmDlg")->setCheckable(true);
    Action("actRepWizard")->setVisible(false);
    CreateMenus();
    SettleWordProcessor();
    WatchTreeClicks();
}

void TfrmMain::CreateMenus() {
    const auto fill = [this](QMenu* menu, const auto& items) {
        for (const char* name : items) {
            if (name[0] == '-')
                menu->addSeparator();
            else
                menu->addAction(Action(name));
        }
    };
    FToolBar->setWindowTitle("Main");
    const auto submenu = [&](QMenu*& menu, const char* name, const char* title, const char* hint, const auto& items) {
        menu = FToolBar->AddMenu(title, hint);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(QString(name) + "Item");
        fill(menu, items);
    };
    submenu(FMnuFolders, "TBSubmenuFolders", "Folders", "Create new folder", FoldersItems);
    submenu(FMnuNoteFrom, "TBSubmenuNoteFrom", "Note from", "Create new note", NoteFromItems);
    submenu(FMnuHelp, "TBSubmenuItem2", "?", "", HelpItems);
    connect(FMnuHelp, &QMenu::aboutToShow, this, &TfrmMain::TBSubmenuItem2Popup);

    FPopTree = new QMenu(this);
    FPopTree->setObjectName("popTree");
    fill(FPopTree, PopTreeItems);
    FTree->setContextMenuPolicy(Qt::CustomContextMenu);
    // The view has already selected the node under the mouse when the menu is asked for.
    connect(FTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { FPopTree->popup(FTree->viewport()->mapToGlobal(pos)); });
}

QAction* TfrmMain::Action(const QString& name) const {
    for (QAction* action : FActs)
        if (action->objectName() == name) return action;
    return nullptr;
}

void TfrmMain::ConnectCommand(const QString& name, std::function<void(int tag)> handler) {
    QAction* action = Action(name);
    if (!action) return;
    connect(action, &QAction::triggered, this, [action, handler = std::move(handler)] { handler(action->data().toInt()); });
}

// ---- The small commands ----

void TfrmMain::actShowPrefsExecute() {
    TrapVoid("TfrmMain.actShowPrefsExecute", [&] {
        Options->Save();  // the dialog reads and writes the same registry values
        std::unique_ptr<IPlumetsPrefs> prefs = Dialogs().CreatePrefs();
        prefs->ShowModal(0);
        if (!prefs->Accepted()) return;
        Options->Load();
        LoadTree(false);  // a changed store folder or hint setting shows at once
    });
}

QString TfrmMain::HelpFile() const { return AnsiToQ(Options->AppPath) + "Help/qlbox.html"; }

void TfrmMain::actHelpIndexExecute() {
    TrapVoid("TfrmMain.actHelpIndexExecute", [&] { OpenURL(HelpFile(), false); });
}

void TfrmMain::actAboutExecute() {
    TrapVoid("TfrmMain.actAboutExecute", [&] { ShowAbout(this); });
}

// The product has no public site yet: the help page shipped with the program stands for it.
void TfrmMain::actWebPageExecute() {
    TrapVoid("TfrmMain.actWebPageExecute", [&] {
        if (*ProductHomePage) {
            ShellOpen(ProductHomePage);
        } else if (GetWebBrowser()) {
            OpenURL(HelpFile(), false);
        } else if (FileSystem::FileExists(QToAnsi(HelpFile()))) {
            ShellOpen(HelpFile());
        }
    });
}

void TfrmMain::actEmailExecute() {
    TrapVoid("TfrmMain.actEmailExecute", [&] {
        ShellOpen(QString("mailto:") + ProductSupportMail + "?subject=" + ProductName);
    });
}

// The action flips its own check mark when triggered; the setting follows it.
void TfrmMain::actShowConfirmDlgExecute() {
    TrapVoid("TfrmMain.actShowConfirmDlgExecute", [&] {
        const bool state = Action("actShowConfirmDlg")->isChecked();
        if (state == Options->ConfirmAddNote) return;
        Options->ConfirmAddNote = state;
        Options->Save();
    });
}

// Changes made elsewhere (the add-note dialog, the preferences) show each time "?" opens.
void TfrmMain::TBSubmenuItem2Popup() {
    TrapVoid("TfrmMain.TBSubmenuItem2Popup", [&] { Action("actShowConfirmDlg")->setChecked(Options->ConfirmAddNote); });
}

void TfrmMain::actImportFavoritesExecute() {
    TrapVoid("TfrmMain.actImportFavoritesExecute", [&] {
        std::string folder;
        ImportExport::ImportFavouritesToNotes(CodePage::AnsiToWide(Options->FolderToStore), folder, Prompt());
        if (folder.empty()) return;
        Options->DefFolder = folder;
        LoadTree(true);
    });
}
