#pragma once
// The pane's browser interfaces over Qt WebEngine. The page's answers come from scripts run
// in the application's own script world (the page's scripts cannot see or change them),
// awaited in a local event loop with a time limit, so every call is synchronous.
#include "pane/WebBrowser.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <functional>

class TWebEngineDocument : public TWebDocument {
public:
    explicit TWebEngineDocument(QWebEnginePage* page) : FPage(page) {}

    QString Title() override;
    QString Location() override;
    QString Charset() override;
    bool SelectionHtml(QString& html) override;
    QString BodyHtml() override;
    bool ExecCommand(const QString& command, const QString& value = QString()) override;

    // Runs a script and waits for its result at most timeoutMs; false when the page went
    // away, the time ran out or the script failed (its result is then invalid).
    bool RunScript(const QString& script, QVariant& result, int timeoutMs = ScriptTimeoutMs);
    static constexpr int ScriptTimeoutMs = 5000;

private:
    QPointer<QWebEnginePage> FPage;
};

class TWebEngineBrowser : public TWebBrowser {
public:
    // openNewWindow opens an address in a new browser window (the "_new" target) and gives
    // that window's page.
    TWebEngineBrowser(QWebEnginePage* page, std::function<QWebEnginePage*(const QUrl&)> openNewWindow);

    // The page's document, or nullptr before the first navigation.
    TWebDocument* Document() override;
    void Navigate(const QString& address, const QString& target = QString(), bool noCache = false) override;
    // Marks the words with <mark> elements once the page has loaded (Chromium's find in page
    // highlights one text at a time); captures from the page leave the marks out.
    void HighlightWords(const QStringList& words) override;

    // An address as typed or stored: a URL, or a local path ("/home/…", "~/…").
    static QUrl AddressToUrl(const QString& address);

private:
    QPointer<QWebEnginePage> FPage;
    TWebEngineDocument FDocument;
    std::function<QWebEnginePage*(const QUrl&)> FOpenNewWindow;
    // The page and address of the last navigation, which a highlighting waits for.
    QPointer<QWebEnginePage> FLastPage;
    QUrl FLastUrl;
    QMetaObject::Connection FPendingHighlight;
};
