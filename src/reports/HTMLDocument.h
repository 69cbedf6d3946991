#pragma once
// A note's HTML file as the report generator reads it: its title, its location and the child
// nodes of its body, each serialised as its outer HTML (text escaped) in a form that cannot
// change the report around it: nothing that runs, loads a sheet or redirects addresses, and
// style sheets that select only inside the note. The generator sees only these two
// interfaces; the parser behind them is the loader's business.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class THTMLDocument {
public:
    virtual ~THTMLDocument() = default;
    // The document's title as a browser gives it (white space collapsed), ANSI code page.
    virtual std::string Title() const = 0;
    // The document's address: the file's URL.
    virtual std::string Location() const = 0;
    // The number of child nodes of the body, text and comments included.
    virtual std::size_t ChildCount() const = 0;
    // The outer HTML of one child node of the body (a text node is its escaped text), ANSI
    // code page.
    virtual std::string ChildOuterHTML(std::size_t index) const = 0;
};

class TDocumentLoader {
public:
    virtual ~TDocumentLoader() = default;
    // Loads a local HTML file without running scripts, loading plug-ins or fetching anything.
    // While the document loads, aborted is asked now and then (it may be empty); when it says
    // true the wait ends at once. Null when the file could not be loaded or the wait was
    // aborted.
    virtual std::unique_ptr<THTMLDocument> Load(const std::string& fileName, const std::function<bool()>& aborted) = 0;
    // The files that will be loaded next, in order, starting with the very next one: a loader
    // may start reading them now, so that several notes are parsed at once. Each is still
    // parsed only once; a read-ahead whose file is no longer listed is let go.
    virtual void Prefetch(const std::vector<std::string>& upcoming) {}
};
