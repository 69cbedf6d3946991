#include "hosts/frmBrowser.h"

#include "hosts/BrowserDialogs.h"
#include "hosts/FormPlacement.h"
#include "hosts/LocalContentGuard.h"
#include "pane/Product.h"
#include "pane/QtStrings.h"
#include "platform/Folders.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>

namespace {

constexpr const char* SearchEngine = "https://duckduckgo.com/";
constexpr int HistoryLimit = 200;

// A page opened by a local page's script or link for a new window: it never shows anything
// but hands the address to a fresh window, so the local page keeps no hold on that window.
class TRelayPage : public QWebEnginePage {
public:
    TRelayPage(QWebEngineProfile* profile, const QUrl& opener, std::function<void(const QUrl&)> open)
        : QWebEnginePage(profile), FOpener(opener), FOpen(std::move(open)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (isMainFrame && FOpen) {
            if (TLocalContentGuard::AllowsNavigation(url, FOpener, type, LocalNavigationRoots())) FOpen(url);
            FOpen = nullptr;
            deleteLater();
        }
        return false;
    }

private:
    QUrl FOpener;
    std::function<void(const QUrl&)> FOpen;
};

QIcon ToolIcon(QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(themeName, widget->style()->standardIcon(fallback));
}

// The styles have no picture of a printer nor of saving to a file (only disks), so these two
// are drawn: a printer with a sheet in and a printed sheet out, and a page going down into a tray.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (const int size : {26, 52}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 26.0, size / 26.0);
        painter.setPen(QPen(QColor(50, 50, 60), 1.2));
        draw(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon PrinterIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 2.5, 11, 8));
        p.setBrush(QColor(160, 165, 175));
        p.drawRoundedRect(QRectF(2.5, 9.5, 21, 10), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 15.5, 11, 8));
        p.drawLine(QPointF(9.5, 18.5), QPointF(16.5, 18.5));
        p.drawLine(QPointF(9.5, 21), QPointF(14.5, 21));
        p.setBrush(QColor(60, 170, 60));
        p.drawEllipse(QPointF(20, 12.5), 1, 1);
    });
}

QIcon SaveToIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 1.5, 11, 12));
        p.setBrush(QColor(40, 110, 200));
        p.drawPolygon(QPolygonF({{11, 6}, {15, 6}, {15, 12}, {18, 12}, {13, 17}, {8, 12}, {11, 12}}));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{3.5, 15.5}, {3.5, 23.5}, {22.5, 23.5}, {22.5, 15.5}}));
    });
}

// The splitter between the panels: its bar stays when the notes panel is hidden.
class TKeptHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;
    bool Kept = false;
    void setVisible(bool visible) override { QSplitterHandle::setVisible(visible || Kept); }
};

class TNotesSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new TKeptHandle(orientation(), this); }
};

}  // namespace

// ---- TBrowserPage ----

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent, std::function<QWebEnginePage*()> createWindow,
                           std::function<void(const QUrl&)> openWindow)
    : QWebEnginePage(profile, parent), FCreateWindow(std::move(createWindow)), FOpenWindow(std::move(openWindow)) {
    GuardPage(this);
}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (isMainFrame && !TLocalContentGuard::AllowsNavigation(url, this->url(), type, LocalNavigationRoots()))
        return false;
    emit BeforeNavigate(url, isMainFrame);
    if (isMainFrame) ApplyPageSettings(this, url);
    return true;
}

QWebEnginePage* TBrowserPage::createWindow(WebWindowType) {
    if (url().isLocalFile()) return new TRelayPage(profile(), url(), FOpenWindow);
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
    // The list's addresses are chosen from the drop-down only: the combo box would also
    // "activate" one when the text typed matches it and Return is pressed (which navigates
    // already) or the box loses the focus, and under the arrow keys and the mouse wheel.
    QObject::disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    QObject::disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TIEAddress::ChooseCompleter);
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { emit AddressEntered(currentText()); });
    connect(this, &QComboBox::activated, this, [this](int index) { emit AddressEntered(itemText(index)); });
}

void TIEAddress::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && event->modifiers() == Qt::NoModifier) {
        if (count() > 0) showPopup();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TIEAddress::wheelEvent(QWheelEvent* event) { event->ignore(); }

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
    // The drop-down list offers the same addresses; the text in the box stays as it is.
    const QString text = currentText();
    const int cursor = lineEdit()->cursorPosition();
    const QSignalBlocker block(this);
    clear();
    addItems(list);
    setCurrentIndex(-1);
    setEditText(text);
    lineEdit()->setCursorPosition(cursor);
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
    FSplitter = new TNotesSplitter(Qt::Horizontal, this);
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
    static_cast<TKeptHandle*>(FSplitter->handle(1))->Kept = true;
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
    FBrowser = std::make_unique<TWebEngineBrowser>(FPage, [this](const QUrl& url) -> QWebEnginePage* {
        TfrmBrowser* window = OpenNewWindow(url);
        return window ? window->FPage : nullptr;
    });

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
        {&actPrint, "actPrint", "Print", "Print", QIcon::fromTheme("document-print", PrinterIcon()), &TfrmBrowser::actPrintExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actHideNotes, "actHideNotes", "Show/Hide Notes", "Show/Hide Notes", ToolIcon(this, "view-sidetree", QStyle::SP_FileDialogListView), &TfrmBrowser::actHideNotesExecute},
        {nullptr, nullptr, nullptr, nullptr, {}, nullptr},
        {&actSaveTo, "actSaveTo", "Save to...", "Save to...", QIcon::fromTheme("document-save-as", SaveToIcon()), &TfrmBrowser::actSaveToExecute},
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

// The store folder to start on and the notes panel's width, from the settings. The home
// folder is taken once: a store changed later in the preferences shows from the next start.
void TfrmBrowser::ReadWindowSettings() {
    if (!Options) return;
    FHomeFolder = Options->FolderToStore;
    FNotesWidth = Options->NotesTreeWidth;
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
        // The width the user gave the panel, also once the window is closed (and so hidden);
        // a hidden panel keeps the width it had when it was hidden.
        if (FShown && FNotesVisible) FNotesWidth = FSplitter->sizes().value(0, FNotesWidth);
        if (!FMainWindow && Options) {
            Options->NotesTreeWidth = FNotesWidth;
            Options->Save();
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
    if (dialog.exec() != QDialog::Accepted) return;
    // Scripts of local pages turned off stop at once in every window; turned on, they start
    // with the next page loaded.
    TfrmBrowser* main = FMainWindow ? FMainWindow : this;
    ApplyPageSettings(main->FPage, main->FPage->url(), true);
    for (const auto& window : main->FOtherWindows)
        if (window) ApplyPageSettings(window->FPage, window->FPage->url(), true);
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
    if (FShown && FNotesVisible) FNotesWidth = FSplitter->sizes().value(0, FNotesWidth);
    FNotesVisible = !FNotesVisible;
    actHideNotes->setChecked(FNotesVisible);
    FPnlNotes->setVisible(FNotesVisible);
    if (FNotesVisible) ApplyNotesWidth(FNotesWidth);
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
