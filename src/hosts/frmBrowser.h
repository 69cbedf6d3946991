#pragma once
// TfrmBrowser: the program's own browser window. The notes pane docked at the left behind a
// splitter (pnlNotes), and at the right (pnlIE) the navigation toolbar, the address box and
// the embedded browser; a status bar below. The pane works on this window's browser. The
// main window's closing ends the program; windows it opens for new-window targets live as
// long as it does at most.
#include "hosts/FindBar.h"
#include "hosts/WebEngineBrowser.h"
#include "pane/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>
#include <QSplitter>
#include <QStringListModel>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QWebEngineView>
#include <memory>
#include <string>

// The browser's page: reports each navigation before it happens and opens new windows.
class TBrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    TBrowserPage(QWebEngineProfile* profile, QObject* parent, std::function<QWebEnginePage*()> createWindow,
                 std::function<void(const QUrl&)> openWindow);

signals:
    void BeforeNavigate(const QUrl& url, bool isMainFrame);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    std::function<QWebEnginePage*()> FCreateWindow;
    std::function<void(const QUrl&)> FOpenWindow;
};

// The address box: an editable combo box whose completion offers the addresses visited and
// typed in this run, or the file system's entries while the text is a local path.
class TIEAddress : public QComboBox {
    Q_OBJECT
public:
    explicit TIEAddress(QWidget* parent);
    // Remembers an address for completion (the newest first, each once).
    void AddToHistory(const QString& address);
    void ClearHistory();
    QStringList History() const { return FHistory->stringList(); }

signals:
    void AddressEntered(const QString& address);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ChooseCompleter(const QString& text);

    QStringListModel* FHistory;
    QCompleter* FHistoryCompleter;
    QCompleter* FFileCompleter;
};

class TfrmBrowser : public QMainWindow {
    Q_OBJECT
public:
    // The main window: startAddress, when given, is shown instead of the store folder.
    explicit TfrmBrowser(const QString& startAddress = QString());
    ~TfrmBrowser() override;

    // Opens an address in a new browser window owned by the main window; returns it.
    TfrmBrowser* OpenNewWindow(const QUrl& url);

    // The window's parts, by their names.
    TfrmMain* frmNotes() const { return FNotes; }
    QWidget* pnlNotes() const { return FPnlNotes; }
    QWidget* pnlIE() const { return FPnlIE; }
    QSplitter* Splitter1() const { return FSplitter; }
    QToolBar* tbNavigation() const { return FToolBar; }
    TIEAddress* edIEAddress() const { return FAddress; }
    QWebEngineView* wbIE() const { return FView; }
    TWebEngineBrowser* Browser() const { return FBrowser.get(); }
    QSystemTrayIcon* trayIco() const { return FTray; }
    const std::string& HomeFolder() const { return FHomeFolder; }
    bool NotesVisible() const { return FNotesVisible; }

    QAction *actBack = nullptr, *actForward = nullptr, *actStop = nullptr, *actRefresh = nullptr, *actHome = nullptr,
            *actSearch = nullptr, *actFavorites = nullptr, *actOptions = nullptr, *actPrint = nullptr,
            *actHideNotes = nullptr, *actSaveTo = nullptr;

    void actBackExecute();
    void actForwardExecute();
    void actStopExecute();
    void actRefreshExecute();
    void actHomeExecute();
    void actSearchExecute();
    void actFavoritesExecute();
    void actOptionsExecute();
    void actPrintExecute();
    void actHideNotesExecute();
    void actSaveToExecute();

    // Navigates to what the address box holds or what was chosen in it.
    void edIEAddressEntered(const QString& address);
    // Whether the current document can be printed (and so saved): a page is loaded.
    bool PrintSupported() const;

    // The search page for a text, or the search engine's start page when it is empty.
    static QUrl SearchUrl(const QString& text);
    // The profile every browser page of the program shares, with its settings applied.
    static QWebEngineProfile* Profile();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TfrmBrowser(TfrmBrowser* mainWindow, const QUrl& url);
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void CreateLayout();
    void CreateActions();
    void ReadWindowSettings();
    void ApplyNotesWidth(int width);
    void BeforeNavigate(const QUrl& url, bool isMainFrame);
    void StatusTextChange(const QString& text);
    void CommandStateChange();
    void DocumentComplete(bool ok);
    void ApplicationMinimize();
    void ApplicationRestore();
    QWebEnginePage* CreatePopupPage();

    TfrmBrowser* FMainWindow = nullptr;  // nullptr for the main window itself
    QList<QPointer<TfrmBrowser>> FOtherWindows;
    QUrl FStartUrl;
    bool FShown = false;
    bool FDocumentLoaded = false;

    TfrmMain* FNotes = nullptr;
    QWidget* FPnlNotes = nullptr;
    QWidget* FPnlIE = nullptr;
    QSplitter* FSplitter = nullptr;
    QToolBar* FToolBar = nullptr;
    TIEAddress* FAddress = nullptr;
    QWebEngineView* FView = nullptr;
    TBrowserPage* FPage = nullptr;
    std::unique_ptr<TWebEngineBrowser> FBrowser;
    QSystemTrayIcon* FTray = nullptr;
    std::unique_ptr<QPrinter> FPrinter;  // alive while a print job runs

    std::string FHomeFolder;
    bool FNotesVisible = true;
    int FNotesWidth = 0;  // the settings' NotesTreeWidth, taken at creation

    // ---- The keys every browser has, and finding text in the page ----
public:
    QAction *actAddress = nullptr, *actFind = nullptr, *actZoomIn = nullptr, *actZoomOut = nullptr,
            *actZoomReset = nullptr;
    TFindBar* FindBar() const { return FFindBar; }
    // The address box gets the focus with its text selected.
    void actAddressExecute();
    // Zooms the page by a step (+1 larger, -1 smaller), or back to its own size (0).
    void ZoomPage(int step);

private:
    void CreateShortcuts();
    TFindBar* FFindBar = nullptr;
};

// Brings a window to the foreground and gives it the keyboard focus; with restore, a visible
// minimised window comes back (a maximised one maximised). Disabled windows are left alone.
void SwitchToWindow(QWidget* window, bool restore);
