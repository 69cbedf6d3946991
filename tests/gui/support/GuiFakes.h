#pragma once
// Stand-ins for the world around the pane: scripted answers to questions, a fake page in a
// fake browser, and a way to act on the next modal dialog.
#include "pane/WebBrowser.h"
#include "store/UserPrompt.h"

#include <QStringList>
#include <QTcpServer>
#include <map>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QWidget>

class TScriptedPrompt : public TUserPrompt {
public:
    std::deque<TAnswer> Answers;  // given in order; OK / Cancel when used up
    std::vector<std::string> Texts;
    std::vector<std::string> Captions;
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) override;
};

class TFakeDocument : public TWebDocument {
public:
    QString FTitle = "Fake page", FLocation = "https://www.example.org/page", FCharset = "UTF-8";
    QString FSelection, FBody;
    bool FSelectionOk = true;
    bool FThrow = false;  // every call raises, as a broken page would
    QStringList Commands;
    QString Title() override;
    QString Location() override { return FLocation; }
    QString Charset() override { return FCharset; }
    bool SelectionHtml(QString& html) override;
    QString BodyHtml() override { return FBody; }
    bool ExecCommand(const QString& command, const QString& value) override;
};

class TFakeBrowser : public TWebBrowser {
public:
    TFakeDocument Doc;
    bool HasDocument = true;
    struct TNavigation { QString Address, Target; bool NoCache; };
    std::vector<TNavigation> Navigations;
    TWebDocument* Document() override { return HasDocument ? &Doc : nullptr; }
    void Navigate(const QString& address, const QString& target, bool noCache) override {
        Navigations.push_back({address, target, noCache});
    }
    std::vector<QStringList> Highlights;
    void HighlightWords(const QStringList& words) override { Highlights.push_back(words); }
};

// A web server on the loopback interface that answers each path with a fixed response.
class TTinyHttpServer : public QTcpServer {
public:
    std::map<QByteArray, QByteArray> Responses;  // path -> whole HTTP response

    TTinyHttpServer();
    QString Url(const char* path) const { return QString("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }
    // A whole "200 OK" response with the body.
    static QByteArray Ok(const QByteArray& body, const char* type);
};

// Runs action on the next modal dialog once it is showing (within timeoutMs).
void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);
// The child of a widget with the object name, failing the test when there is none.
template <class T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent ? parent->findChild<T*>(name) : nullptr;
    if (!child) qFatal("no child %s", name);
    return child;
}
