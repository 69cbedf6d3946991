#pragma once
// TSearchIndex: the full-text index of a notes store, an SQLite FTS5 database kept as a cache
// beside the store, never inside it. Nothing lives only here: a missing, damaged or older
// index file is made again from the store. Each search first brings the index in line with
// the store by comparing every note file's size and modification time, so changes made by
// other programs are found too.
//
// One instance belongs to one thread at a time; instances on other threads or in other
// processes may use the same file at once (SQLite's locks keep them apart).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TSearchHit {
    std::string FileName;  // the note file, store root + relative path
    std::string NodePath;  // folders and note name joined by "/", without ".html"
    std::string Title;     // the note's name, UTF-8
    std::string Passage;   // a few words around the best match, UTF-8
};

class TSearchIndex {
public:
    // The index file of the program: $XDG_CACHE_HOME/quillbox/index.sqlite.
    static std::string DefaultIndexFile();
    // The store root ends with "/". Nothing is opened or read until the first call.
    TSearchIndex(std::string indexFile, std::string storeRoot);
    ~TSearchIndex();
    TSearchIndex(const TSearchIndex&) = delete;
    TSearchIndex& operator=(const TSearchIndex&) = delete;

    // Brings the index in line with the store; false when it could not be updated.
    bool Update();
    // Throws the index away and indexes the whole store again; false on failure.
    bool Rebuild();
    // Updates the index, then returns the notes matching the query (see SearchQuery), best
    // first, at most limit of them.
    std::vector<TSearchHit> Search(std::string_view query, int limit);
    // The same query on the index as it stands, without looking at the store.
    std::vector<TSearchHit> Query(std::string_view query, int limit);
    // Makes a running update end soon, keeping the notes written so far, and every later
    // update end at once; callable from any thread.
    void Stop();
    // The number of notes the index holds, -1 when it cannot be read.
    int NoteCount();

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};
