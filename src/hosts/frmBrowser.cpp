#include "hosts/frmBrowser.h"

#include "hosts/BrowserDialogs.h"
#include "hosts/FormPlacement.h"
#include "hosts/LocalContentGuard.h"
#include "pane/Product.h"
#include "pane/QtStrings.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>

namespace {

constexpr const char* ProductVersion = "1.31";
constexpr const char* SettingsKey = "Software\\Brennock\\Quillbox";
constexpr const char* SearchEngine = "https://duckduckgo.com/";
constexpr int DefaultNotesWidth = 200;
constexpr int HistoryLimit = 200;

// A page opened by a local page's script or link for a new window: it never shows anything
// but hands the address to a fresh window, so the local page keeps no hold on that window.
class TRelayPage : public QWebEnginePage {
public:
    TRelayPage(QWebEngineProfile* profile, std::function<void(const QUrl&)> open)
        : QWebEnginePage(profile), FOpen(std::move(open)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame && FOpen) {
            FOpen(url);
            FOpen = nullptr;
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(const QUrl&)> FOpen;
};

QIcon ToolIcon(QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(themeName, widget->style()->standardIcon(fallback));
}

}  // namespace

// ---- TBrowserPage ----

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent, std::function<QWebEnginePage*()> createWindow,
                           std::function<void(const QUrl&)> openWindow)
    : QWebEnginePage(profile, parent), FCreateWindow(std::move(createWindow)), FOpenWindow(std::move(openWindow)) {}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    emit BeforeNavigate(url, isMainFrame);
    return true;
}

QWebEnginePage* TBrowserPage::createWindow(WebWindowType) {
    if (url().isLocalFile()) return new TRelayPage(profile(), FOpenWindow);
    return FCreateWindow ? FCreateWindow() : nullptr;
}

// ---- TIEAddress ----

TIEAddress::TIEAddress(QWidget* parent) : QComboBox(parent) {
    setObjectName("edIEAddress");
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    FHistory = new QStringListModel(this);
    FHistoryCompleter = new QCompleter(FHistory, this);
    FHistoryCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    FHistoryCompleter->setFilterMode(Qt::MatchContains);
    auto* files = new QFileSystemModel(this);
    files->setRootPath(QString());
    FFileCompleter = new QCompleter(files, this);
    setCompleter(FHistoryCompleter);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TIEAddress::ChooseCompleter);
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { emit AddressEntered(currentText()); });
    connect(this, &QComboBox::activated, this, [this](int index) { emit AddressEntered(itemText(index)); });
}

void TIEAddress::ChooseCompleter(const QString& text) {
    QCompleter* wanted = text.startsWith('/') ? FFileCompleter : FHistoryCompleter;
    if (completer() != wanted) setCompleter(wanted);
}

void TIEAddress::AddToHistory(const QString& address) {
    if (address.isEmpty()) return;
    QStringList list = FHistory->stringList();
    list.removeAll(address);
    list.prepend(address);
    while (list.size() > HistoryLimit) list.removeLast();
    FHistory->setStringList(list);
}

void TIEAddress::ClearHistory() {
    FHistory->setStringList({});
    const QString text = currentText();
    clear();
    setEditText(text);
}

// ---- TfrmBrowser ----

TfrmBrowser::TfrmBrowser(const QString& startAddress) {
    if (!startAddress.isEmpty()) FStartUrl = TWebEngineBrowser::AddressToUrl(startAddress);
    FormCreate();
}

TfrmBrowser::TfrmBrowser(TfrmBrowser* mainWindow, const QUrl& url) : FMainWindow(mainWindow), FStartUrl(url) {
    setAttribute(Qt::WA_DeleteOnClose);
    FormCreate();
}

TfrmBrowser::~TfrmBrowser() {
    for (const auto& window : FOtherWindows) delete window.data();
    FormDestroy();
}

QWebEngineProfile* TfrmBrowser::Profile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile("quillbox", qApp);
        const QString storage = AnsiToQ(Folders::ProgramDataFolder()) + "WebEngine";
        profile->setPersistentStoragePath(storage);
        profile->setCachePath(storage + "/Cache");
        ConfigureWebProfile(profile);
        QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile, [](QWebEngineDownloadRequest* download) {
            // Saving a page was asked for with its file name; other downloads ask for one.
            if (!download->isSavePageDownload()) {
                const QString target = QFileDialog::getSaveFileName(
                    nullptr, "Save As", QDir(download->downloadDirectory()).filePath(download->downloadFileName()));
                if (target.isEmpty()) return download->cancel();
                download->setDownloadDirectory(QFileInfo(target).path());
                download->setDownloadFileName(QFileInfo(target).fileName());
            }
            download->accept();
        });
    }
    return profile;
}

void TfrmBrowser::FormCreate() {
    TrapVoid("TfrmBrowser.FormCreate", [&] {
        setObjectName("frmBrowser");
        setWindowTitle(QString(ProductName) + " " + ProductVersion);
        resize(700, 601);
        CreateLayout();
        CreateActions();
        CreateShortcuts();
        if (!FMainWindow && FormPlacement::RestorePlacement(*this) == FormPlacement::SW_SHOWMAXIMIZED)
            setWindowState(windowState() | Qt::WindowMaximized);

        FNotes = new TfrmMain(FPnlNotes);
        FPnlNotes->layout()->addWidget(FNotes);
        FNotes->SetWebBrowser(FBrowser.get());
        FNotes->SetStandalone(true);

        ReadWindowSettings();
        ApplyNotesWidth(FNotesWidth);
        FNotesVisible = true;
        FPnlNotes->setVisible(true);
        actHideNotes->setChecked(true);
    });
}

void TfrmBrowser::CreateLayout() {
    FSplitter = new QSplitter(Qt::Horizontal, this);
    FSplitter->setObjectName("Splitter1");
    FSplitter->setHandleWidth(3);
    FSplitter->setChildrenCollapsible(false);
    setCentralWidget(FSplitter);

    FPnlNotes = new QWidget(FSplitter);
    FPnlNotes->setObjectName("pnlNotes");
    auto* notesLayout = new QVBoxLayout(FPnlNotes);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    FPnlIE = new QWidget(FSplitter);
    FPnlIE->setObjectName("pnlIE");
    FSplitter->addWidget(FPnlNotes);
    FSplitter->addWidget(FPnlIE);
    FSplitter->setStretchFactor(0, 0);
    FSplitter->setStretchFactor(1, 1);

    auto* ieLayout = new QVBoxLayout(FPnlIE);
    ieLayout->setContentsMargins(0, 0, 0, 0);
    ieLayout->setSpacing(0);
    auto* coolBar = new QWidget(FPnlIE);
    coolBar->setObjectName("CoolBar1");
    // Two bands, one above the other: the navigation buttons, then the address box.
    auto* coolLayout = new QVBoxLayout(coolBar);
    coolLayout->setContentsMargins(2, 2, 2, 2);
    coolLayout->setSpacing(2);
    FToolBar = new QToolBar("Navigation", coolBar);
    FToolBar->setObjectName("tbNavigation");
    FToolBar->setIconSize(QSize(26, 26));
    FToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    coolLayout->addWidget(FToolBar);
    auto* addressBand = new QHBoxLayout();
    auto* addressLabel = new QLabel("Address", coolBar);
    FAddress = new TIEAddress(coolBar);
    addressLabel->setBuddy(FAddress);
    addressBand->addWidget(addressLabel);
    addressBand->addWidget(FAddress, 1);
    coolLayout->addLayout(addressBand);
    ieLayout->addWidget(coolBar);

    FView = new QWebEngineView(FPnlIE);
    FView->setObjectName("wbIE");
    FPage = new TBrowserPage(Profile(), FView, [this] { return CreatePopupPage(); },
                             [this](const QUrl& url) { OpenNewWindow(url); });
    FView->setPage(FPage);
    ieLayout->addWidget(FView, 1);
    FBrowser = std::make_unique<TWebEngineBrowser>(FPage, [this](const QUrl& url) { OpenNewWindow(url); });

    statusBar()->setObjectName("StatusBar");

    connect(FAddress, &TIEAddress::AddressEntered, this, &TfrmBrowser::edIEAddressEntered);
    connect(FPage, &TBrowserPage::BeforeNavigate, this, &TfrmBrowser::BeforeNavigate);
    connect(FPage, &QWebEnginePage::linkHovered, this, &TfrmBrowser::StatusTextChange);
    connect(FPage, &QWebEnginePage::loadStarted, this, [this] {
        FDocumentLoaded = false;
        StatusTextChange("Opening page...");
        CommandStateChange();
    });
    connect(FPage, &QWebEnginePage::loadFinished, this, &TfrmBrowser::DocumentComplete);
    connect(FPage, &QWebEnginePage::urlChanged, this, [this] { CommandStateChange(); });
    for (auto action : {QWebEnginePage::Back, QWebEnginePage::Forward})
        connect(FPage->action(action), &QAction::changed, this, &TfrmBrowser::CommandStateChange);
    connect(FView, &QWebEngineView::printFinished, this, [this] { FPrinter.reset(); });
}

void TfrmBrowser::CreateActions() {
    struct TDef { QAction** Action; const char* Name; const char* Caption; const char* Hint; QIcon Icon; void (TfrmBrowser::*Execute)(); };
    const TDef defs[] = {
        {&actBack, "actBack", "Back", "Back", ToolIcon(this, "go-previous", QStyle::SP_ArrowBack), &TfrmBrowser::actBackExecute},
        {&actForward, "actForward", "Forward", "Forward", ToolIcon(this, "go-next", QStyle::SP_ArrowForward), &TfrmBrowser::actForwardExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actStop, "actStop", "Stop", "Stop", ToolIcon(this, "process-stop", QStyle::SP_BrowserStop), &TfrmBrowser::actStopExecute},
        {&actRefresh, "actRefresh", "Refresh", "Refresh", ToolIcon(this, "view-refresh", QStyle::SP_BrowserReload), &TfrmBrowser::actRefreshExecute},
        {&actHome, "actHome", "Home", "Home", ToolIcon(this, "go-home", QStyle::SP_DirHomeIcon), &TfrmBrowser::actHomeExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actSearch, "actSearch", "Search", "Search the Web", ToolIcon(this, "edit-find", QStyle::SP_FileDialogContentsView), &TfrmBrowser::actSearchExecute},
        {&actFavorites, "actFavorites", "Favorites", "Favorites", ToolIcon(this, "bookmarks", QStyle::SP_DirLinkIcon), &TfrmBrowser::actFavoritesExecute},
        {&actOptions, "actOptions", "Options", "Options", ToolIcon(this, "preferences-system", QStyle::SP_FileDialogDetailedView), &TfrmBrowser::actOptionsExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actPrint, "actPrint", "Print", "Print", ToolIcon(this, "document-print", QStyle::SP_DialogSaveButton), &TfrmBrowser::actPrintExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actHideNotes, "actHideNotes", "Show/Hide Notes", "Show/Hide Notes", ToolIcon(this, "view-sidetree", QStyle::SP_FileDialogListView), &TfrmBrowser::actHideNotesExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actSaveTo, "actSaveTo", "Save to...", "Save to...", ToolIcon(this, "document-save-as", QStyle::SP_DriveHDIcon), &TfrmBrowser::actSaveToExecute},
    };
    for (const TDef& d : defs) {
        if (!d.Action) {
            FToolBar->addSeparator();
            continue;
        }
        QAction* action = new QAction(d.Icon, d.Caption, this);
        action->setObjectName(d.Name);
        action->setToolTip(d.Hint);
        action->setStatusTip(d.Hint);
        connect(action, &QAction::triggered, this, d.Execute);
        FToolBar->addAction(action);
        *d.Action = action;
    }
    actHideNotes->setCheckable(true);
    if (auto* button = FToolBar->widgetForAction(actHideNotes)) button->setObjectName("tbitemHideNotes");
    actBack->setEnabled(false);
    actForward->setEnabled(false);
    actPrint->setEnabled(false);
    actSaveTo->setEnabled(false);
}

// The store folder to start on and the notes panel's width, from the settings key.
void TfrmBrowser::ReadWindowSettings() {
    FHomeFolder = Folders::ProgramDataFolder();
    FNotesWidth = DefaultNotesWidth;
    TrapVoid("TfrmBrowser.FormCreate.1", [&] {
        TRegistry reg(THive::CurrentUser);
        if (!reg.OpenKey(SettingsKey, true)) return;
        if (reg.ValueExists("FolderToStore")) FHomeFolder = reg.ReadString("FolderToStore");
        if (reg.ValueExists("_NotesTreeWidth")) FNotesWidth = reg.ReadInteger("_NotesTreeWidth");
        reg.CloseKey();
    });
}

void TfrmBrowser::ApplyNotesWidth(int width) {
    const int total = std::max(FSplitter->width(), width + 100);
    FSplitter->setSizes({width, total - width - FSplitter->handleWidth()});
}

void TfrmBrowser::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown) return;
    FShown = true;
    FormShow();
}

void TfrmBrowser::FormShow() {
    TrapVoid("TfrmBrowser.FormShow", [&] {
        ApplyNotesWidth(FNotesWidth);
        if (FStartUrl.isValid() && !FStartUrl.isEmpty())
            FPage->load(FStartUrl);
        else
            FBrowser->Navigate(AnsiToQ(FHomeFolder));
        SwitchToWindow(this, true);
    });
}

void TfrmBrowser::FormDestroy() {
    TrapVoid("TfrmBrowser.FormDestroy", [&] {
        if (!FMainWindow) FormPlacement::SavePlacement(*this);
        const int width = FPnlNotes->isVisible() ? FPnlNotes->width() : FNotesWidth;
        if (!FMainWindow) {
            TRegistry reg(THive::CurrentUser);
            if (reg.OpenKey(SettingsKey, true)) {
                reg.WriteInteger("_NotesTreeWidth", width);
                reg.CloseKey();
            }
        }
    });
    // The pane goes first: it holds the browser that goes with the view.
    delete FNotes;
    FNotes = nullptr;
}

void TfrmBrowser::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && !FMainWindow) QCoreApplication::quit();
}

TfrmBrowser* TfrmBrowser::OpenNewWindow(const QUrl& url) {
    if (FMainWindow) return FMainWindow->OpenNewWindow(url);
    auto* window = new TfrmBrowser(this, url);
    FOtherWindows.removeAll(nullptr);
    FOtherWindows.append(window);
    window->show();
    return window;
}

QWebEnginePage* TfrmBrowser::CreatePopupPage() {
    TfrmBrowser* window = OpenNewWindow(QUrl());
    return window ? window->FPage : nullptr;
}

// ---- Browser events ----

void TfrmBrowser::BeforeNavigate(const QUrl& url, bool isMainFrame) {
    if (!isMainFrame) return;
    const QString text = url.toString();
    if (FAddress->currentText().compare(text, Qt::CaseInsensitive) != 0) FAddress->setEditText(text);
}

void TfrmBrowser::StatusTextChange(const QString& text) {
    if (isVisible()) statusBar()->showMessage(text);
}

bool TfrmBrowser::PrintSupported() const { return FDocumentLoaded && !FPage->url().isEmpty(); }

void TfrmBrowser::CommandStateChange() {
    if (!isVisible()) return;
    actPrint->setEnabled(PrintSupported());
    actSaveTo->setEnabled(PrintSupported());
    actForward->setEnabled(FPage->action(QWebEnginePage::Forward)->isEnabled());
    actBack->setEnabled(FPage->action(QWebEnginePage::Back)->isEnabled());
}

void TfrmBrowser::DocumentComplete(bool ok) {
    FDocumentLoaded = ok;
    if (ok) FAddress->AddToHistory(FPage->url().toString());
    actPrint->setEnabled(PrintSupported());
    actSaveTo->setEnabled(PrintSupported());
    StatusTextChange(ok ? "Done" : "Cannot open the page");
}

void TfrmBrowser::edIEAddressEntered(const QString& address) {
    if (address.trimmed().isEmpty()) return;
    FAddress->AddToHistory(address.trimmed());
    FBrowser->Navigate(address);
}

// ---- Commands ----

void TfrmBrowser::actBackExecute() { FPage->triggerAction(QWebEnginePage::Back); }
void TfrmBrowser::actForwardExecute() { FPage->triggerAction(QWebEnginePage::Forward); }
void TfrmBrowser::actStopExecute() { FPage->triggerAction(QWebEnginePage::Stop); }
void TfrmBrowser::actRefreshExecute() { FPage->triggerAction(QWebEnginePage::Reload); }
void TfrmBrowser::actHomeExecute() { FBrowser->Navigate(AnsiToQ(FHomeFolder)); }

QUrl TfrmBrowser::SearchUrl(const QString& text) {
    QUrl url(SearchEngine);
    if (!text.trimmed().isEmpty()) url.setQuery("q=" + QUrl::toPercentEncoding(text.trimmed()));
    return url;
}

// Searches for the address box's text when it is not an address; else opens the search page.
void TfrmBrowser::actSearchExecute() {
    const QString text = FAddress->currentText().trimmed();
    const bool isAddress = text.contains("://") || text.startsWith('/') || text == FPage->url().toString();
    FPage->load(SearchUrl(isAddress ? QString() : text));
}

void TfrmBrowser::actFavoritesExecute() {
    TrapVoid("TfrmBrowser.actFavoritesExecute", [&] {
        TFavoritesDialog dialog(this, AnsiToQ(Folders::FavoritesFolder()));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        FBrowser->Navigate(TFavoritesDialog::ShortcutURL(dialog.selectedFiles().first()));
    });
}

void TfrmBrowser::actOptionsExecute() {
    TBrowserOptionsDlg dialog(this, Profile(), [this] {
        FAddress->ClearHistory();
        FPage->history()->clear();
        CommandStateChange();
    });
    dialog.exec();
}

// Prints with margins of 0.75 inch, portrait. Qt WebEngine's printing has no page header and
// footer of its own, so the page prints without them.
void TfrmBrowser::actPrintExecute() {
    if (!PrintSupported() || FPrinter) return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(19.05, 19.05, 19.05, 19.05), QPageLayout::Millimeter);
    printer->setDocName(FPage->title());
    QPrintDialog dialog(printer.get(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    FPrinter = std::move(printer);
    FView->print(FPrinter.get());
}

void TfrmBrowser::actHideNotesExecute() {
    FNotesVisible = !FNotesVisible;
    actHideNotes->setChecked(FNotesVisible);
    FPnlNotes->setVisible(FNotesVisible);
}

// Saves the page whole: the HTML and, in a folder beside it, its pictures and frames.
void TfrmBrowser::actSaveToExecute() {
    if (!PrintSupported()) return;
    QString name = FPage->title().trimmed();
    name.replace(QRegularExpression(R"([/\\:*?"<>|])"), "_");
    if (name.isEmpty()) name = "page";
    const QString target = QFileDialog::getSaveFileName(this, "Save to...", QDir::home().filePath(name + ".html"),
                                                        "Web page, complete (*.html *.htm)");
    if (!target.isEmpty()) FPage->save(target, QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
}

// ---- The browser's keys and the find bar ----

// The pane's commands have no keys of their own, so these never compete with them. Escape
// stops the page only while the focus is in the browser's part of the window.
void TfrmBrowser::CreateShortcuts() {
    FFindBar = new TFindBar(FPage, FPnlIE);
    FPnlIE->layout()->addWidget(FFindBar);
    connect(FFindBar, &TFindBar::Closed, FView, [this] { FView->setFocus(); });
    const auto add = [this](QAction*& action, const char* name, const char* caption, std::function<void()> execute) {
        action = new QAction(caption, this);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, std::move(execute));
        addAction(action);
    };
    add(actAddress, "actAddress", "Address", [this] { actAddressExecute(); });
    add(actFind, "actFind", "Find in Page", [this] { FFindBar->Open(); });
    add(actZoomIn, "actZoomIn", "Zoom In", [this] { ZoomPage(1); });
    add(actZoomOut, "actZoomOut", "Zoom Out", [this] { ZoomPage(-1); });
    add(actZoomReset, "actZoomReset", "Actual Size", [this] { ZoomPage(0); });

    actBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    actForward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    actRefresh->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    actStop->setShortcut(QKeySequence(Qt::Key_Escape));
    actStop->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FPnlIE->addAction(actStop);
    actPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    actSaveTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actAddress->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::Key_F6)});
    actFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    actZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    actZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    actZoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
}

void TfrmBrowser::actAddressExecute() {
    FAddress->setFocus(Qt::ShortcutFocusReason);
    FAddress->lineEdit()->selectAll();
}

// The steps browsers offer, from a quarter to five times the page's size.
void TfrmBrowser::ZoomPage(int step) {
    static const qreal steps[] = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
    const qreal current = FView->zoomFactor();
    qreal factor = 1.0;
    if (step > 0) {
        factor = steps[std::size(steps) - 1];
        for (qreal s : steps)
            if (s > current + 0.001) { factor = s; break; }
    } else if (step < 0) {
        factor = steps[0];
        for (qreal s : steps)
            if (s < current - 0.001) factor = s;
    }
    FView->setZoomFactor(factor);
}

// ---- Minimise to the tray and restore ----

void TfrmBrowser::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || FMainWindow) return;
    if (isMinimized() && isVisible()) ApplicationMinimize();
}

void TfrmBrowser::ApplicationMinimize() {
    // Without a notification area the window stays minimised where the desktop shows it.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    if (!FTray) {
        FTray = new QSystemTrayIcon(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : windowIcon(), this);
        FTray->setObjectName("trayIco");
        FTray->setToolTip(windowTitle());
        connect(FTray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) ApplicationRestore();
        });
    }
    hide();
    FTray->show();
}

void TfrmBrowser::ApplicationRestore() {
    if (FTray) FTray->hide();
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    SwitchToWindow(this, true);
}

void SwitchToWindow(QWidget* window, bool restore) {
    if (!window || !window->isEnabled()) return;
    // Leaving the minimised state brings a maximised window back maximised.
    if (restore && window->isVisible() && window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}
