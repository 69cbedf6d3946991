#include "hosts/BrowserDialogs.h"

#include "favorites/ImportExport.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// ---- TFavoritesDialog ----

TFavoritesDialog::TFavoritesDialog(QWidget* parent, const QString& favoritesFolder) : QFileDialog(parent) {
    setObjectName("BrowseDlg");
    setWindowTitle("Internet Favorites");
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setDirectory(favoritesFolder);
    setLabelText(QFileDialog::LookIn, "Select a favorite:");
    setNameFilters({"Internet shortcuts (*.url *.URL *.Url)", "All files (*)"});
    connect(this, &QFileDialog::currentChanged, this, &TFavoritesDialog::UpdateOkButton);
    UpdateOkButton(QString());
}

bool TFavoritesDialog::IsFavoriteFile(const QString& path) {
    return !path.isEmpty() && !QFileInfo(path).isDir() && ImportExport::IsInternetShortcut(QToAnsi(path));
}

QString TFavoritesDialog::ShortcutURL(const QString& fileName) {
    std::string bytes;
    if (!FileSystem::TryReadFile(QToAnsi(fileName), bytes, 1 << 20)) return {};
    return AnsiToQ(ImportExport::ReadIniString(bytes, "InternetShortcut", "URL"));
}

void TFavoritesDialog::UpdateOkButton(const QString& path) {
    if (auto* box = findChild<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Open)) ok->setEnabled(IsFavoriteFile(path));
}

void TFavoritesDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.size() == 1 && IsFavoriteFile(files.first())) QFileDialog::accept();
}

// ---- TBrowserOptionsDlg ----

TBrowserOptionsDlg::TBrowserOptionsDlg(QWidget* parent, QWebEngineProfile* profile, std::function<void()> clearHistory)
    : QDialog(parent), FProfile(profile) {
    setObjectName("BrowserOptions");
    setWindowTitle("Options");
    auto* layout = new QVBoxLayout(this);
    chkScripts = new QCheckBox("Run the scripts of web pages", this);
    chkLocalScripts = new QCheckBox("Run the scripts of notes and other local pages", this);
    chkLocalScripts->setObjectName("chkLocalScripts");
    chkImages = new QCheckBox("Show pictures", this);
    chkScripts->setChecked(profile->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
    chkLocalScripts->setChecked(Options && Options->RunLocalScripts);
    chkImages->setChecked(profile->settings()->testAttribute(QWebEngineSettings::AutoLoadImages));
    layout->addWidget(chkScripts);
    layout->addWidget(chkLocalScripts);
    layout->addWidget(chkImages);
    auto* btnCache = new QPushButton("Clear the cache", this);
    btnCache->setObjectName("btnClearCache");
    connect(btnCache, &QPushButton::clicked, this, [this, btnCache] {
        FProfile->clearHttpCache();
        btnCache->setEnabled(false);
    });
    auto* btnHistory = new QPushButton("Clear the history", this);
    btnHistory->setObjectName("btnClearHistory");
    connect(btnHistory, &QPushButton::clicked, this, [this, btnHistory, clearHistory] {
        FProfile->clearAllVisitedLinks();
        if (clearHistory) clearHistory();
        btnHistory->setEnabled(false);
    });
    layout->addWidget(btnCache);
    layout->addWidget(btnHistory);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TBrowserOptionsDlg::accept() {
    FProfile->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, chkScripts->isChecked());
    FProfile->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, chkImages->isChecked());
    if (Options && Options->RunLocalScripts != chkLocalScripts->isChecked()) {
        Options->RunLocalScripts = chkLocalScripts->isChecked();
        Options->Save();
    }
    QDialog::accept();
}
