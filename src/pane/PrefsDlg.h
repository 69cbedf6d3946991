#pragma once
// The preferences dialog of the companion component: edits every user-facing setting right
// in the registry file, under the settings' own key and value names. Its pages are numbered
// as the callers' argument: 0 general, 1 capture, 2 marking, 3 reports, 4 e-mail (with the
// focus on the reply address).
#include "pane/PlumetsLib.h"

#include <QDialog>

class TOptions;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TPlumetsPrefs : public IPlumetsPrefs {
public:
    explicit TPlumetsPrefs(QWidget* owner) : FOwner(owner) {}
    void ShowModal(int page) override;
    bool Accepted() override { return FAccepted; }

private:
    QWidget* FOwner;
    bool FAccepted = false;
};

class TPrefsForm : public QDialog {
    Q_OBJECT
public:
    enum : int { pgGeneral = 0, pgCapture = 1, pgMarking = 2, pgReports = 3, pgEmail = 4 };

    TPrefsForm(const TOptions& options, int page, QWidget* parent);
    // Copies the form's values into options.
    void Apply(TOptions& options) const;

private:
    QWidget* GeneralPage(const TOptions& options);
    QWidget* CapturePage(const TOptions& options);
    QWidget* MarkingPage(const TOptions& options);
    QWidget* ReportsPage(const TOptions& options);
    QWidget* EmailPage(const TOptions& options);
    QCheckBox* Check(const char* name, const QString& caption, bool value, QWidget* parent);
    QPushButton* ColourButton(const char* name, int colour, QWidget* parent);

    QTabWidget* FTabs;
    QLineEdit* FStore;
    QCheckBox *FShowHints, *FConfirmDelNote, *FConfirmDelFolder, *FInBrowserWindow;
    QCheckBox *FConfirmAddNote, *FSaveImages, *FAutoEdit, *FAddToLast, *FNewOnNewSite;
    QComboBox* FNewNoteMode;
    QCheckBox* FMarkSelection;
    QPushButton *FMarkColor, *FMarkBgColor;
    QComboBox* FTemplate;
    QLineEdit *FFromName, *FFromEmail;
    QCheckBox* FSendAsAttach;
};
