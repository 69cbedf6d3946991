#include "search/SearchIndex.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "search/NoteText.h"
#include "search/SearchQuery.h"
#include "settings/Trap.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"
#include "store/SymbolicLinks.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace {

// Raised to 1 + the old value whenever the tables, their settings or what goes into them
// change; an index of another version is made again.
constexpr int SchemaVersion = 2;
// How long a statement waits for another connection's write to end.
constexpr int BusyTimeoutMs = 10000;
// How many notes the text extraction may run ahead of the database writer.
constexpr size_t ExtractLookahead = 256;

const char* const SchemaSql = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE notes(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER, mtime INTEGER, created REAL);
CREATE VIRTUAL TABLE fts USING fts5(path UNINDEXED, title, otitle, url, comments, body,
                                    tokenize = 'unicode61 remove_diacritics 2');
INSERT INTO fts(fts, rank) VALUES('rank', 'bm25(0.0, 10.0, 8.0, 3.0, 6.0, 1.0)');
INSERT INTO fts(fts, rank) VALUES('automerge', 8);
)sql";
// Set on every open; the page size takes effect only in a new file. Pages of 16 KiB hold a
// note's text in a few overflow pages instead of a dozen, which halves the writing of a first
// indexing. The index is a cache made again when damaged, so its writes are not synced.
const char* const ConnectionSql = "PRAGMA page_size = 16384; PRAGMA journal_mode = WAL; PRAGMA synchronous = OFF; "
                                  "PRAGMA cache_size = -65536";

class ESqlError : public std::runtime_error {
public:
    ESqlError(int code, const std::string& what) : std::runtime_error(what), Code(code) {}
    int Code;
    bool Damaged() const { return (Code & 0xFF) == SQLITE_CORRUPT || (Code & 0xFF) == SQLITE_NOTADB; }
};

void Check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) throw ESqlError(rc, db ? sqlite3_errmsg(db) : "sqlite");
}

// One prepared statement; Bind* take 1-based positions.
class TStatement {
public:
    TStatement(sqlite3* db, const char* sql) : FDb(db) { Check(db, sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr)); }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement& Bind(int i, std::string_view text) {
        Check(FDb, sqlite3_bind_text(FStmt, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    TStatement& Bind(int i, std::int64_t value) {
        Check(FDb, sqlite3_bind_int64(FStmt, i, value));
        return *this;
    }
    TStatement& Bind(int i, double value) {
        Check(FDb, sqlite3_bind_double(FStmt, i, value));
        return *this;
    }
    // Steps once; true while a row is there. Resets after the last row.
    bool Step() {
        const int rc = sqlite3_step(FStmt);
        if (rc == SQLITE_ROW) return true;
        sqlite3_reset(FStmt);
        Check(FDb, rc);
        return false;
    }
    void Run() {
        while (Step()) {}
        sqlite3_clear_bindings(FStmt);
    }
    std::int64_t Int(int col) const { return sqlite3_column_int64(FStmt, col); }
    std::string Text(int col) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, col));
        return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(FStmt, col))) : std::string();
    }

private:
    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

std::string AnsiToUtf8(const std::string& text) {
    return CodePage::IsUtf8() ? text : CodePage::Utf16ToUtf8(CodePage::AnsiToWide(text));
}

// A note file as the walk finds it; the path is relative to the store root.
struct TFileStamp {
    std::string Path;
    std::int64_t Size = 0;
    std::int64_t MTime = 0;  // milliseconds since 1970, UTC
};

// A note to be written into the index: what is known of it and what is read from it.
struct TNoteRow {
    std::int64_t Id = 0;  // 0 for a note new to the index
    TFileStamp Stamp;
    std::string Title, OriginalTitle, URL, Comments, Body;
    double Created = 0;
};

TNoteRow Row(std::int64_t id, const TFileStamp& stamp) {
    TNoteRow row;
    row.Id = id;
    row.Stamp = stamp;
    return row;
}

// Every note the notes tree shows, with its size and modification time: the notes of every
// folder below the store root (the root itself shows folders only), read by the tree's own
// listing. Links to folders are not followed; a note must be a regular file (a link to one
// too), since reading a device or a pipe could block.
std::vector<TFileStamp> WalkStore(const std::string& root) {
    std::vector<TFileStamp> stamps;
    std::vector<std::string> folders = {""};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        ReportUtils::TStoreFolder listing;
        if (!ReportUtils::ReadStoreFolder(root + folder, !folder.empty(), false, listing)) continue;
        for (const ReportUtils::TStoreFolder::TFolder& sub : listing.Folders)
            if (!ReportUtils::IsSymbolicLink(root + folder + sub.Name)) folders.push_back(folder + sub.Name + "/");
        for (const ReportUtils::TStoreFolder::TNote& note : listing.Notes) {
            struct stat st {};
            if (::stat((root + folder + note.Name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            stamps.push_back({folder + note.Name, st.st_size, st.st_mtim.tv_sec * 1000 + st.st_mtim.tv_nsec / 1000000});
        }
    }
    return stamps;
}

// Reads a note's metadata and visible text. A note that cannot be read or parsed keeps its
// name, so it stays searchable by it.
void ReadNote(const std::string& root, TNoteRow& row) {
    const std::string file = root + row.Stamp.Path;
    ReportUtils::TNoteInfo info;
    info.Name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(file), "");
    ReportUtils::ReadNodeInfo(file, info);
    row.Title = AnsiToUtf8(info.Name);
    row.OriginalTitle = CodePage::Utf16ToUtf8(info.OriginalTitle);
    row.URL = CodePage::Utf16ToUtf8(info.OriginalURL);
    row.Comments = CodePage::Utf16ToUtf8(info.Comments);
    row.Created = info.Created;
    std::string bytes;
    if (!FileSystem::TryReadFile(file, bytes, NoteText::MaxPageBytes)) return;
    row.Body = Trap("TSearchIndex.ReadNote", std::string(),
                    [&] { return NoteText::VisibleTextOfFile(std::move(bytes)); });
}

// Reads the rows on worker threads while the caller writes them in order: write(row) runs on
// the calling thread, never more than ExtractLookahead rows behind the readers. Once
// stopping is set no further row is written.
template <class Write>
void ReadAndWrite(const std::string& root, std::vector<TNoteRow>& rows, const std::atomic<bool>& stopping,
                  Write&& write) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> ready(rows.size(), 0);
    size_t written = 0;
    bool stop = false;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i; (i = next++) < rows.size();) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || i < written + ExtractLookahead; });
                if (stop) return;
            }
            TrapVoid("TSearchIndex.ReadNote", [&] { ReadNote(root, rows[i]); });
            std::lock_guard lock(mutex);
            ready[i] = 1;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    for (std::thread& t : workers) t = std::thread(work);
    // Stops and joins the readers however the writing ends.
    struct TJoin {
        std::function<void()> Stop;
        std::vector<std::thread>& Workers;
        ~TJoin() {
            Stop();
            for (std::thread& t : Workers) t.join();
        }
    } join{[&] {
               std::lock_guard lock(mutex);
               stop = true;
               changed.notify_all();
           },
           workers};
    for (size_t i = 0; i < rows.size() && !stopping; ++i) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return ready[i] != 0; });
        }
        write(rows[i]);
        rows[i] = TNoteRow();  // frees the text at once
        std::lock_guard lock(mutex);
        written = i + 1;
        changed.notify_all();
    }
}

}  // namespace

struct TSearchIndex::TImpl {
    std::string File, Root;
    sqlite3* Db = nullptr;
    ino_t Inode = 0;  // of the file opened, to notice a file made again by another process
    std::atomic<bool> Stopping{false};

    ~TImpl() { Close(); }

    void Close() {
        sqlite3_close_v2(Db);
        Db = nullptr;
    }

    void Exec(const char* sql) {
        char* error = nullptr;
        const int rc = sqlite3_exec(Db, sql, nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        if (rc != SQLITE_OK) throw ESqlError(rc, message);
    }

    std::int64_t QueryInt(const char* sql) {
        TStatement s(Db, sql);
        const std::int64_t value = s.Step() ? s.Int(0) : 0;
        while (s.Step()) {}
        return value;
    }

    void RemoveFiles() {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((File + suffix).c_str());
    }

    // Opens the file and makes it an index of this store's notes; false when it is not a
    // usable index of this version.
    bool TryOpen() {
        if (sqlite3_open_v2(File.c_str(), &Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) return false;
        sqlite3_busy_timeout(Db, BusyTimeoutMs);
        try {
            Exec(ConnectionSql);
            if (QueryInt("PRAGMA user_version") != SchemaVersion) {
                Exec("BEGIN IMMEDIATE");
                const std::int64_t version = QueryInt("PRAGMA user_version");
                if (version != 0 && version != SchemaVersion) {
                    Exec("ROLLBACK");
                    return false;
                }
                if (version == 0) {
                    Exec(SchemaSql);
                    Exec(("PRAGMA user_version = " + std::to_string(SchemaVersion)).c_str());
                }
                Exec("COMMIT");
            }
            UseRoot();
            return true;
        } catch (const ESqlError&) {
            return false;
        }
    }

    // An index made for another store root starts empty.
    void UseRoot() {
        TStatement get(Db, "SELECT value FROM meta WHERE key = 'root'");
        const std::string root = get.Step() ? get.Text(0) : std::string("\x01");
        while (get.Step()) {}
        if (root == Root) return;
        Exec("BEGIN IMMEDIATE");
        Exec("DELETE FROM notes; DELETE FROM fts");
        TStatement(Db, "INSERT OR REPLACE INTO meta(key, value) VALUES('root', ?)").Bind(1, Root).Run();
        Exec("COMMIT");
    }

    static ino_t InodeOf(const std::string& file) {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    void Open() {
        if (Db && InodeOf(File) == Inode) return;
        Close();
        FileSystem::ForceDirectories(FileSystem::ExtractFilePath(File));
        if (!TryOpen()) {
            Close();
            RemoveFiles();
            if (!TryOpen()) throw ESqlError(SQLITE_CANTOPEN, "cannot make the index " + File);
        }
        Inode = InodeOf(File);
    }

    void Reset() {
        Close();
        RemoveFiles();
        Open();
    }

    // Runs body on the open index; a damaged file is made again and body run once more.
    template <class Body>
    auto WithIndex(Body&& body) {
        Open();
        try {
            return body();
        } catch (const ESqlError& e) {
            if (!e.Damaged()) throw;
            Reset();
            return body();
        }
    }

    // The notes whose files are new or changed, with the ids of those already indexed, and
    // the ids of notes whose files are gone.
    void Plan(const std::vector<TFileStamp>& files, std::vector<TNoteRow>& changed, std::vector<std::int64_t>& gone) {
        struct TKnown { std::int64_t Id, Size, MTime; bool Seen = false; };
        std::unordered_map<std::string, TKnown> known;
        TStatement s(Db, "SELECT path, id, size, mtime FROM notes");
        while (s.Step()) known.emplace(s.Text(0), TKnown{s.Int(1), s.Int(2), s.Int(3)});
        changed.clear();
        gone.clear();
        for (const TFileStamp& f : files) {
            const auto it = known.find(f.Path);
            if (it == known.end()) {
                changed.push_back(Row(0, f));
                continue;
            }
            it->second.Seen = true;
            if (it->second.Size != f.Size || it->second.MTime != f.MTime) changed.push_back(Row(it->second.Id, f));
        }
        for (const auto& [path, k] : known)
            if (!k.Seen) gone.push_back(k.Id);
    }

    void Apply(std::vector<TNoteRow>& changed, const std::vector<std::int64_t>& gone) {
        TStatement deleteNote(Db, "DELETE FROM notes WHERE id = ?"), deleteText(Db, "DELETE FROM fts WHERE rowid = ?");
        for (const std::int64_t id : gone) {
            deleteNote.Bind(1, id).Run();
            deleteText.Bind(1, id).Run();
        }
        TStatement insertNote(Db, "INSERT INTO notes(path, size, mtime, created) VALUES(?, ?, ?, ?)");
        TStatement updateNote(Db, "UPDATE notes SET size = ?, mtime = ?, created = ? WHERE id = ?");
        TStatement insertText(Db, "INSERT INTO fts(rowid, path, title, otitle, url, comments, body) VALUES(?, ?, ?, ?, ?, ?, ?)");
        ReadAndWrite(Root, changed, Stopping, [&](TNoteRow& row) {
            if (row.Id) {
                updateNote.Bind(1, row.Stamp.Size).Bind(2, row.Stamp.MTime).Bind(3, row.Created).Bind(4, row.Id).Run();
                deleteText.Bind(1, row.Id).Run();
            } else {
                insertNote.Bind(1, row.Stamp.Path).Bind(2, row.Stamp.Size).Bind(3, row.Stamp.MTime).Bind(4, row.Created).Run();
                row.Id = sqlite3_last_insert_rowid(Db);
            }
            insertText.Bind(1, row.Id).Bind(2, row.Stamp.Path).Bind(3, row.Title).Bind(4, row.OriginalTitle);
            insertText.Bind(5, row.URL).Bind(6, row.Comments).Bind(7, row.Body).Run();
        });
    }

    void UpdateOpen() {
        const std::vector<TFileStamp> files = WalkStore(Root);
        std::vector<TNoteRow> changed;
        std::vector<std::int64_t> gone;
        Plan(files, changed, gone);
        if (changed.empty() && gone.empty()) return;
        // Planned again under the write lock: another connection may have done the work.
        Exec("BEGIN IMMEDIATE");
        try {
            Plan(files, changed, gone);
            Apply(changed, gone);
            Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    std::vector<TSearchHit> Query(const std::string& expression, int limit) {
        std::vector<TSearchHit> hits;
        TStatement s(Db, "SELECT path, title, snippet(fts, 5, '', '', '\xE2\x80\xA6', 16) FROM fts "
                         "WHERE fts MATCH ? ORDER BY rank LIMIT ?");
        s.Bind(1, expression).Bind(2, static_cast<std::int64_t>(limit));
        while (s.Step()) {
            TSearchHit hit{Root + s.Text(0), FileSystem::ChangeFileExt(s.Text(0), ""), s.Text(1), s.Text(2)};
            hits.push_back(std::move(hit));
        }
        return hits;
    }
};

std::string TSearchIndex::DefaultIndexFile() { return Folders::CacheFolder() + "index.sqlite"; }

TSearchIndex::TSearchIndex(std::string indexFile, std::string storeRoot) : F(std::make_unique<TImpl>()) {
    F->File = std::move(indexFile);
    F->Root = FileSystem::IncludeTrailingPathDelimiter(storeRoot);
}

TSearchIndex::~TSearchIndex() = default;

bool TSearchIndex::Update() {
    return TrapVoid("TSearchIndex.Update", [&] { F->WithIndex([&] { F->UpdateOpen(); }); });
}

void TSearchIndex::Stop() { F->Stopping = true; }

bool TSearchIndex::Rebuild() {
    return TrapVoid("TSearchIndex.Rebuild", [&] {
        F->Close();
        F->RemoveFiles();
        F->WithIndex([&] { F->UpdateOpen(); });
    });
}

std::vector<TSearchHit> TSearchIndex::Search(std::string_view query, int limit) {
    if (SearchQuery::ToMatchExpression(query).empty() || limit <= 0) return {};
    Update();
    return Query(query, limit);
}

std::vector<TSearchHit> TSearchIndex::Query(std::string_view query, int limit) {
    return Trap("TSearchIndex.Query", std::vector<TSearchHit>(), [&] {
        const std::string expression = SearchQuery::ToMatchExpression(query);
        if (expression.empty() || limit <= 0) return std::vector<TSearchHit>();
        return F->WithIndex([&] { return F->Query(expression, limit); });
    });
}

int TSearchIndex::NoteCount() {
    return Trap("TSearchIndex.NoteCount", -1,
                [&] { return F->WithIndex([&] { return static_cast<int>(F->QueryInt("SELECT count(*) FROM notes")); }); });
}
