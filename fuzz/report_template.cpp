// Reads the fuzz bytes as a report template: sections are cut, header and footer filled,
// two notes added (one of them untitled) and the report assembled. The notes' documents are
// fixed, so every run spends its time in the template reader and the placeholder filling.
#include "reports/RepGenerator.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The temporary folder of this run; a plain array, so the exit handler can still read it.
char Folder[] = "/tmp/quillbox-fuzz-XXXXXX";

const std::string& Path(const char* name) {
    static const std::string folder = [] {
        if (!::mkdtemp(Folder)) std::abort();
        std::atexit([] { FileSystem::RemoveTree(Folder); });
        std::ofstream(std::string(Folder) + "/note.html") << "<p>note</p>";
        FileSystem::ForceDirectories(std::string(Folder) + "/note.files");
        return std::string(Folder) + "/";
    }();
    static std::string path;
    path = folder + name;
    return path;
}

// A note body that holds placeholder words and a companion-folder reference.
class TFixedDocument : public THTMLDocument {
public:
    std::string Title() const override { return "Doc #NOTE_TITLE# & <title>"; }
    std::string Location() const override { return "file:///tmp/note.html"; }
    std::size_t ChildCount() const override { return 3; }
    std::string ChildOuterHTML(std::size_t index) const override {
        static const char* children[] = {"<p>#NOTE_DATE# #HEADER_TITLE#</p>", "<img src=\"note.files/a.png\">", ""};
        return children[index];
    }
};

class TFixedLoader : public TDocumentLoader {
public:
    std::unique_ptr<THTMLDocument> Load(const std::string&, const std::function<bool()>&) override {
        return std::make_unique<TFixedDocument>();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string templateFile = Path("template.html");
    // A new file each time: truncating the old one makes the file system flush it to disk.
    std::remove(templateFile.c_str());
    std::ofstream(templateFile, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    TRepGenerator generator(std::make_unique<TFixedLoader>());
    if (!generator.Initialize(templateFile, "Title #NOTE_TEXT#", "a", "u", "o", "k", "c", "d", "t")) return 0;
    const std::string note = Path("note.html");
    if (!generator.AddNote(note, "Note", "x", "http://www.example.com:80/a?b", "#TOCITEM_URL#", "d", "t")) std::abort();
    if (!generator.AddNote(note, "", "", "", "", "", "")) std::abort();
    TRepGenerator::TStringList lines;
    if (!generator.FinalizeToStrings(lines) || generator.NextAnchor != 1002 || generator.NotesOut.size() != 2) std::abort();
    return 0;
}
