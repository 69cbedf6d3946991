#pragma once
// TSearchBox: the search field above the notes tree. While a query is typed its results
// replace the tree, best first, each with the note's name and a passage around the match;
// a click opens the note in the pane's browser and "Show in Folder" selects it in the tree.
// Searching and indexing run on a thread of their own, so typing never waits for the disk.
#include "search/SearchIndex.h"

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class TfrmMain;

class TSearchBox : public QWidget {
    Q_OBJECT
public:
    // How many notes a search shows at most.
    static constexpr int ResultLimit = 200;

    TSearchBox(TfrmMain& pane, QWidget* parent);
    ~TSearchBox() override;

    // Brings the index in line with the store in the background: the pane calls it after
    // its own changes, so the next search starts on a fresh index.
    void IndexChanged();
    // Puts the cursor into the search field (Ctrl+Shift+F).
    void FocusSearch();
    // Empties the field and brings the tree back (Escape).
    void ClearSearch();
    // Selects the note (or folder) of a node path ("Trips/Italy/Rome") in the tree.
    void ShowInFolder(const QString& nodePath);

    QLineEdit* edtSearch() const { return FEdit; }
    QListWidget* lstResults() const { return FResults; }
    QMenu* popResults() const { return FPopResults; }

signals:
    // The results of the latest query are shown.
    void SearchDone();

private:
    class TWorker;

    void QueryChanged(const QString& text);
    void ShowHits(int serial, const std::vector<TSearchHit>& hits);
    void OpenResult(QListWidgetItem* item);

    TfrmMain& FPane;
    QLineEdit* FEdit = nullptr;
    QListWidget* FResults = nullptr;
    QMenu* FPopResults = nullptr;
    int FSerial = 0;
    std::string FQuery;  // of the latest search, UTF-8
    std::unique_ptr<TWorker> FWorker;
};
