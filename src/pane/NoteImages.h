#pragma once
// Saves the pictures a note's HTML refers to into the note's companion folder and points the
// HTML at the copies. Three kinds of addresses are saved: local files (a path or a file: URL,
// only picture files), data: addresses, and web addresses (http and https, fetched with Qt's
// network access, bounded in time and size). Any other address, and any picture that cannot
// be had, keeps its original reference.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <map>
#include <string>
#include <vector>

class TNoteImageSaver {
public:
    struct TLimits {
        qint64 MaxImageBytes = 16 * 1024 * 1024;  // one picture
        int MaxImages = 500;                      // distinct pictures per note
        int FetchTimeoutMs = 20000;               // one web fetch, without progress
        int TotalTimeoutMs = 60000;               // all web fetches of one note together
        int MaxRedirects = 5;
    };

    // companionFolder: the full path of the note's companion folder ("Name.files/"), made
    // when the first picture is saved. relativeFolder: how the note refers to it ("Name.files").
    // base: the address relative references are resolved against (the page, or the folder
    // of the note file for a note being edited).
    TNoteImageSaver(std::string companionFolder, QString relativeFolder, QUrl base);
    void SetLimits(const TLimits& limits) { FLimits = limits; }
    // Pictures already inside this folder (the edited note's own companion folder) are always
    // carried over, even when saving is off: the caller deletes that folder afterwards.
    void SetOwnFolder(const std::string& folder) { FOwnFolder = folder; }
    void SetSaveForeign(bool save) { FSaveForeign = save; }

    // The HTML (UTF-8) with every saved picture's reference pointing at its copy.
    std::string Process(const std::string& html);
    // How many pictures were saved by Process.
    int SavedCount() const { return FSaved; }

private:
    enum class TKind { None, File, Data, Web };
    struct TImage {
        TKind Kind = TKind::None;
        QUrl Url;
        QByteArray Bytes;
        QString Suffix;  // file extension without the dot
        QString BaseName;
        std::string LocalPath;
        std::string SavedName;  // file name in the companion folder; "" when not saved
    };

    TKind Classify(const std::string& address, QUrl& url, std::string& localPath) const;
    bool ReadLocal(TImage& image) const;
    bool DecodeData(TImage& image) const;
    void FetchAll(std::vector<TImage*>& images);
    bool Store(TImage& image);

    std::string FCompanion;
    QString FRelative;
    QUrl FBase;
    std::string FOwnFolder;
    bool FSaveForeign = true;
    TLimits FLimits;
    int FSaved = 0;
};
