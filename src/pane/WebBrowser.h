#pragma once
// The web browser as the notes pane sees it. The pane never talks to a browser engine
// directly: capture, opening notes and the report run go through these two small interfaces.
// The standalone window implements them over Qt WebEngine (answers of the page's scripts are
// awaited there, in a local event loop with a time limit, so every call here is synchronous);
// tests implement them with a fake page.
#include <QString>
#include <QStringList>

// The document shown in the browser: the page the user reads.
class TWebDocument {
public:
    virtual ~TWebDocument() = default;

    // The document's title ("" when it has none).
    virtual QString Title() = 0;
    // The address of the document (location.href).
    virtual QString Location() = 0;
    // The character set the page was decoded with ("UTF-8", "windows-1252", ...).
    virtual QString Charset() = 0;
    // The HTML of the current text selection. False when the selection cannot be taken as a
    // text range (a control selection, a script error); an empty selection is true with "".
    virtual bool SelectionHtml(QString& html) = 0;
    // The inner HTML of the document's body ("" when there is no body).
    virtual QString BodyHtml() = 0;
    // Runs one editing command on the document, as document.execCommand does: "selectAll",
    // "foreColor" / "backColor" with a colour value ("#RRGGBB"), "unselect" (clear the
    // selection). Colouring needs the document editable for the call; the implementation
    // takes care of that. False when the page refused the command.
    virtual bool ExecCommand(const QString& command, const QString& value = QString()) = 0;
};

// The browser that hosts the document.
class TWebBrowser {
public:
    virtual ~TWebBrowser() = default;

    // The current document, or nullptr when the browser shows none. Owned by the browser and
    // valid until the next call into the browser.
    virtual TWebDocument* Document() = 0;
    // Shows an address (a URL or a local file path). target "_new" opens a new browser
    // window; an empty target replaces the current page. noCache asks for a fresh load.
    virtual void Navigate(const QString& address, const QString& target = QString(), bool noCache = false) = 0;
    // Highlights the words in the page the last Navigate opened (in a new window too) once it
    // has loaded, and scrolls to the first of them. Case and accents are ignored; a word ends
    // at a word boundary unless it ends with "*". The file shown is never changed.
    virtual void HighlightWords(const QStringList& words) = 0;
};
