#include "hosts/WebEngineBrowser.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineScript>
#include <memory>

namespace {

// Wraps a script body so that it answers [true, value] or, when it throws, [false].
QString Guarded(const QString& body) {
    return "(function(){try{" + body + "}catch(e){return [false];}})()";
}

// The answer of a guarded script: ok and the value.
bool Unwrap(const QVariant& answer, QVariant& value) {
    const QVariantList list = answer.toList();
    if (list.isEmpty() || !list[0].toBool()) return false;
    value = list.value(1);
    return true;
}

QString JsString(const QString& text) {
    QString quoted = "\"";
    for (QChar c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (c.unicode() < 0x20) {
            quoted += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

// ---- TWebEngineDocument ----

bool TWebEngineDocument::RunScript(const QString& script, QVariant& result, int timeoutMs) {
    if (!FPage) return false;
    // The callback may come after the wait has given up: it then writes into the shared state only.
    struct TState { bool Done = false; QVariant Value; QEventLoop Loop; };
    auto state = std::make_shared<TState>();
    FPage->runJavaScript(script, QWebEngineScript::ApplicationWorld, [state](const QVariant& value) {
        state->Done = true;
        state->Value = value;
        state->Loop.quit();
    });
    if (!state->Done) {
        QTimer::singleShot(timeoutMs, &state->Loop, &QEventLoop::quit);
        QObject::connect(FPage.data(), &QObject::destroyed, &state->Loop, &QEventLoop::quit);
        state->Loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    result = state->Value;
    return state->Done && result.isValid();
}

QString TWebEngineDocument::Title() { return FPage ? FPage->title() : QString(); }

QString TWebEngineDocument::Location() { return FPage ? FPage->url().toString() : QString(); }

QString TWebEngineDocument::Charset() {
    QVariant answer;
    return RunScript("document.characterSet", answer) ? answer.toString() : QString();
}

bool TWebEngineDocument::SelectionHtml(QString& html) {
    QVariant answer, value;
    const bool ok = RunScript(Guarded("var s = window.getSelection(); if (!s) return [false];"
                                      "var d = document.createElement('div');"
                                      "for (var i = 0; i < s.rangeCount; i++) d.appendChild(s.getRangeAt(i).cloneContents());"
                                      "return [true, d.innerHTML];"),
                              answer) &&
                    Unwrap(answer, value);
    html = ok ? value.toString() : QString();
    return ok;
}

QString TWebEngineDocument::BodyHtml() {
    QVariant answer;
    return RunScript("document.body ? document.body.innerHTML : ''", answer) ? answer.toString() : QString();
}

bool TWebEngineDocument::ExecCommand(const QString& command, const QString& value) {
    QString body;
    if (command == "unselect") {
        body = "var s = window.getSelection(); if (s) s.removeAllRanges(); return [true, true];";
    } else if (command == "foreColor" || command == "backColor") {
        // Colouring works on an editable document only: design mode is on for the call.
        body = "var old = document.designMode; document.designMode = 'on';"
               "var r = document.execCommand(" + JsString(command) + ", false, " + JsString(value) + ");"
               "document.designMode = old; return [true, r];";
    } else {
        body = "return [true, document.execCommand(" + JsString(command) + ", false, " + JsString(value) + ")];";
    }
    QVariant answer, result;
    return RunScript(Guarded(body), answer) && Unwrap(answer, result) && result.toBool();
}

// ---- TWebEngineBrowser ----

TWebEngineBrowser::TWebEngineBrowser(QWebEnginePage* page, std::function<void(const QUrl&)> openNewWindow)
    : FPage(page), FDocument(page), FOpenNewWindow(std::move(openNewWindow)) {}

TWebDocument* TWebEngineBrowser::Document() {
    return FPage && !FPage->url().isEmpty() ? &FDocument : nullptr;
}

QUrl TWebEngineBrowser::AddressToUrl(const QString& address) {
    const QString text = address.trimmed();
    if (text.startsWith("~/")) return QUrl::fromLocalFile(QDir::homePath() + text.mid(1));
    return QUrl::fromUserInput(text, QDir::currentPath(), QUrl::AssumeLocalFile);
}

void TWebEngineBrowser::Navigate(const QString& address, const QString& target, bool noCache) {
    if (!FPage) return;
    QUrl url = AddressToUrl(address);
    if (!url.isValid() || url.isEmpty()) url = QUrl("about:blank");
    if (target.compare("_new", Qt::CaseInsensitive) == 0 || target.compare("_blank", Qt::CaseInsensitive) == 0) {
        if (FOpenNewWindow) FOpenNewWindow(url);
        return;
    }
    if (noCache && url == FPage->url())
        FPage->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    else
        FPage->load(url);
}
