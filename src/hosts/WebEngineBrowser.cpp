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

// The marks of a highlighting carry this attribute, so captures can take them out again.
const char* const FoundMark = "mark[data-quillbox-found]";

// Unwraps the highlighting's marks below the element in variable v.
QString UnwrapMarks(const QString& v) {
    return v + ".querySelectorAll('" + FoundMark + "').forEach(function(m){m.replaceWith.apply(m, Array.from(m.childNodes));});";
}

// Wraps each word of WORDS found in the page's visible text in a mark and scrolls to the
// first. Text is compared folded (decomposed, accents dropped, lower case), with a map from
// the folded text back to the node's own offsets.
const char* const HighlightScript = R"js(
var words = WORDS;
var fold = function(s) { return s.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase(); };
var isWord = function(c) { return /[\p{L}\p{N}]/u.test(c); };
var terms = words.map(function(w) {
    var prefix = w.endsWith('*');
    return {text: fold(prefix ? w.slice(0, -1) : w), prefix: prefix};
}).filter(function(t) { return t.text.length > 0; });
// Text no reader sees, text of form controls, and text in SVG or MathML, where a mark would not show.
var hidden = {SCRIPT: 1, STYLE: 1, NOSCRIPT: 1, TEXTAREA: 1, TITLE: 1, HEAD: 1, TEMPLATE: 1, SELECT: 1, OPTION: 1};
var xhtml = 'http://www.w3.org/1999/xhtml';
var root = document.body || document.documentElement;
if (!root || !terms.length) return [true, 0];
var walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT, {acceptNode: function(n) {
    for (var e = n.parentNode; e && e.nodeType === 1; e = e.parentNode)
        if (hidden[e.nodeName] || e.namespaceURI !== xhtml) return NodeFilter.FILTER_REJECT;
    return NodeFilter.FILTER_ACCEPT;
}});
var nodes = [];
while (walker.nextNode()) nodes.push(walker.currentNode);
var first = null, count = 0;
nodes.forEach(function(node) {
    var text = node.data, folded = '', map = [];
    for (var i = 0; i < text.length;) {
        var c = String.fromCodePoint(text.codePointAt(i)), f = fold(c);
        for (var k = 0; k < f.length; k++) map.push(i);
        folded += f;
        i += c.length;
    }
    map.push(text.length);
    var found = [];
    terms.forEach(function(t) {
        for (var at = folded.indexOf(t.text); at >= 0; at = folded.indexOf(t.text, at + 1)) {
            var end = at + t.text.length;
            if (at > 0 && isWord(folded[at - 1])) continue;
            if (!t.prefix && end < folded.length && isWord(folded[end])) continue;
            if (t.prefix) while (end < folded.length && isWord(folded[end])) end++;
            found.push([map[at], map[end]]);
        }
    });
    found.sort(function(a, b) { return a[0] - b[0]; });
    var spans = [];
    found.forEach(function(f) {
        var last = spans[spans.length - 1];
        if (last && f[0] <= last[1]) last[1] = Math.max(last[1], f[1]);
        else spans.push(f);
    });
    for (var j = spans.length - 1; j >= 0; j--) {
        var range = document.createRange();
        range.setStart(node, spans[j][0]);
        range.setEnd(node, spans[j][1]);
        var mark = document.createElement('mark');
        mark.setAttribute('data-quillbox-found', '');
        range.surroundContents(mark);
        if (j === 0 && !first) first = mark;
        count++;
    }
});
if (first) first.scrollIntoView({block: 'center'});
return [true, count];
)js";

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
                                      "for (var i = 0; i < s.rangeCount; i++) d.appendChild(s.getRangeAt(i).cloneContents());" +
                                      UnwrapMarks("d") + "return [true, d.innerHTML];"),
                              answer) &&
                    Unwrap(answer, value);
    html = ok ? value.toString() : QString();
    return ok;
}

QString TWebEngineDocument::BodyHtml() {
    QVariant answer, value;
    const QString body = "if (!document.body) return [true, ''];"
                         "if (!document.querySelector('" + QString(FoundMark) + "')) return [true, document.body.innerHTML];"
                         "var b = document.body.cloneNode(true);" + UnwrapMarks("b") + "return [true, b.innerHTML];";
    return RunScript(Guarded(body), answer) && Unwrap(answer, value) ? value.toString() : QString();
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

TWebEngineBrowser::TWebEngineBrowser(QWebEnginePage* page, std::function<QWebEnginePage*(const QUrl&)> openNewWindow)
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
    QObject::disconnect(FPendingHighlight);
    FLastUrl = url;
    if (target.compare("_new", Qt::CaseInsensitive) == 0 || target.compare("_blank", Qt::CaseInsensitive) == 0) {
        FLastPage = FOpenNewWindow ? FOpenNewWindow(url) : nullptr;
        return;
    }
    FLastPage = FPage;
    if (noCache && url == FPage->url())
        FPage->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    else
        FPage->load(url);
}

void TWebEngineBrowser::HighlightWords(const QStringList& words) {
    QWebEnginePage* const page = FLastPage;
    if (!page || words.isEmpty()) return;
    QStringList literals;
    for (const QString& word : words) literals << JsString(word);
    const QString script = Guarded(QString(HighlightScript).replace("WORDS", "[" + literals.join(",") + "]"));
    QObject::disconnect(FPendingHighlight);
    // Loads that end before the one navigated to (an earlier one cut short) are passed over.
    // The connection ends itself: the page may belong to another window and outlive this browser.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(page, &QWebEnginePage::loadFinished, page,
                                   [page, url = FLastUrl, script, connection](bool ok) {
                                       if (page->url() != url) return;
                                       QObject::disconnect(*connection);
                                       if (ok) page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
                                   });
    FPendingHighlight = *connection;
}
