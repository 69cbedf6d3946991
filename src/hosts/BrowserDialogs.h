#pragma once
// The small dialogs of the browser window: the favorites browser and the browser options.
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QString>
#include <functional>

class QWebEngineProfile;

// A file dialog rooted at the Favorites folder, captioned "Internet Favorites": its OK
// button is enabled only while the selected item is an Internet shortcut (".url").
class TFavoritesDialog : public QFileDialog {
    Q_OBJECT
public:
    TFavoritesDialog(QWidget* parent, const QString& favoritesFolder);
    // Whether a path names an Internet shortcut: its extension, upper-cased, is ".URL".
    static bool IsFavoriteFile(const QString& path);
    // The "URL" value of the shortcut's "InternetShortcut" section ("" when missing or unreadable).
    static QString ShortcutURL(const QString& fileName);
    void accept() override;

private:
    void UpdateOkButton(const QString& path);
};

// The browser options over the web engine's settings: scripts of web pages, pictures,
// clearing the cache and the history, which hold for the program's run; and the scripts of
// local pages (RunLocalScripts, off by default), kept in the settings.
class TBrowserOptionsDlg : public QDialog {
    Q_OBJECT
public:
    // clearHistory clears the window's own history (the address box's list, the pages' history).
    TBrowserOptionsDlg(QWidget* parent, QWebEngineProfile* profile, std::function<void()> clearHistory);
    void accept() override;

    QCheckBox* chkScripts = nullptr;
    QCheckBox* chkLocalScripts = nullptr;
    QCheckBox* chkImages = nullptr;

private:
    QWebEngineProfile* FProfile;
};
