// The add-folder dialog makes folders where it is told and refuses bad names; the
// preferences dialog edits the registry file's settings.
#include "pane/AddFolderDlg.h"
#include "pane/MessageBoxPrompt.h"
#include "pane/PrefsDlg.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "support/GuiFakes.h"
#include "support/GuiTestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

class TestFolderAndPrefsDlg : public QObject {
    Q_OBJECT
    std::string FStore;
    TScriptedPrompt FPrompt;

    std::unique_ptr<TPlumetsAddFolderDlg> FolderDlg(const QString& name, const QString& current, bool under) {
        auto dlg = std::make_unique<TPlumetsAddFolderDlg>(nullptr, FPrompt);
        dlg->SetSuggestedName(name);
        dlg->SetCurrentFolder(current);
        dlg->SetStoreRoot(QString::fromStdString(FStore));
        dlg->SetUnderCurrent(under);
        return dlg;
    }

    static void PressOk(QWidget* form) { static_cast<QDialog*>(form)->accept(); }

private slots:
    void init() {
        FStore = GuiTestEnv::ResetOptions();
        FPrompt = TScriptedPrompt();
        FileSystem::ForceDirectories(FStore + "Trips/Italy");
        GuiTestEnv::WriteFile(FStore + "Trips/Italy/Rome.html", "<p>note</p>");
    }

    void folderGoesInsideOrBesideTheCurrentOne() {
        struct Case { const char* current; bool under; const char* made; };
        for (auto [current, under, made] : {Case{"Trips/Italy", true, "Trips/Italy/New"},
                                            Case{"Trips/Italy", false, "Trips/New"},
                                            Case{"Trips/Italy/Rome", true, "Trips/Italy/New"},  // a note is current
                                            Case{"Trips", false, "New"}, Case{"", true, "New"}}) {
            FileSystem::RemoveTree(FStore + made);
            auto dlg = FolderDlg("New", current, under);
            OnNextModal(PressOk);
            dlg->ShowModal();
            QVERIFY2(dlg->Accepted(), current);
            QCOMPARE(dlg->NewFolder(), QString(made));
            QVERIFY2(FileSystem::DirectoryExists(FStore + made), made);
        }
    }

    void badAndTakenNamesAreRefusedWithAMessage() {
        auto dlg = FolderDlg("Italy", "Trips/Italy", false);
        OnNextModal([](QWidget* form) {
            auto* name = Child<QLineEdit>(form, "edtName");
            for (const char* bad : {"Italy", "a/b", "..", "x?", ""}) {
                name->setText(bad);
                PressOk(form);
            }
            name->setText("Spain");
            PressOk(form);
        });
        dlg->ShowModal();
        QCOMPARE(FPrompt.Texts.size(), size_t(5));
        QVERIFY(FPrompt.Texts[0].find("already exists") != std::string::npos);
        QVERIFY(dlg->Accepted());
        QCOMPARE(dlg->NewFolder(), QString("Trips/Spain"));
        QVERIFY(!FileSystem::PathExists(FStore + "Trips/a"));
        QVERIFY(!FileSystem::PathExists(FStore + "Trips/x"));
    }

    void cancelMakesNoFolder() {
        auto dlg = FolderDlg("Nope", "Trips", true);
        OnNextModal([](QWidget* form) { static_cast<QDialog*>(form)->reject(); });
        dlg->ShowModal();
        QVERIFY(!dlg->Accepted());
        QVERIFY(!FileSystem::PathExists(FStore + "Trips/Nope"));
    }

    void questionsDefaultToTheSecondButton() {
        TMessageBoxPrompt prompt(nullptr);
        struct Case { TButtons buttons; QMessageBox::StandardButton expectedDefault, press; TAnswer answer; };
        for (const Case& c : {Case{TButtons::YesNoCancel, QMessageBox::No, QMessageBox::Yes, TAnswer::Yes},
                              Case{TButtons::YesNo, QMessageBox::No, QMessageBox::No, TAnswer::No},
                              Case{TButtons::OKCancel, QMessageBox::Cancel, QMessageBox::Cancel, TAnswer::Cancel},
                              Case{TButtons::OK, QMessageBox::Ok, QMessageBox::Ok, TAnswer::OK}}) {
            OnNextModal([c](QWidget* widget) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                QVERIFY(box);
                QCOMPARE(box->windowTitle(), QString("Delete"));
                QCOMPARE(box->text(), QString("Are you sure to delete note \n\"x\"?"));
                QCOMPARE(box->icon(), QMessageBox::Question);
                QCOMPARE(box->standardButton(box->defaultButton()), c.expectedDefault);
                box->button(c.press)->click();
            });
            QVERIFY(prompt.Ask("Are you sure to delete note \n\"x\"?", "Delete", c.buttons, TIcon::Question) == c.answer);
        }
    }

    void preferencesEditTheRegistryValues() {
        Options->FromEmail = "old@example.org";
        Options->MarkBgColor = 65535;
        Options->Save();
        TPlumetsPrefs prefs(nullptr);
        const std::string newStore = GuiTestEnv::MakeTempDir("other-store");
        OnNextModal([&](QWidget* form) {
            QCOMPARE(Child<QTabWidget>(form, "tabs")->currentIndex(), 0);
            QCOMPARE(Child<QLineEdit>(form, "edtFromEmail")->text(), QString("old@example.org"));
            QCOMPARE(Child<QPushButton>(form, "btnMarkBgColor")->text(), QString("#FFFF00"));
            Child<QLineEdit>(form, "edtFromEmail")->setText("me@example.org");
            Child<QLineEdit>(form, "edtFolderToStore")->setText(QString::fromStdString(newStore).chopped(1));
            Child<QCheckBox>(form, "chkShowHints")->setChecked(false);
            Child<QComboBox>(form, "cbForceNewNoteMode")->setCurrentIndex(2);
            PressOk(form);
        });
        prefs.ShowModal(0);
        QVERIFY(prefs.Accepted());
        TOptions read;
        QVERIFY(read.Load());
        QCOMPARE(read.FromEmail, std::string("me@example.org"));
        QCOMPARE(read.FolderToStore, newStore);
        QVERIFY(!read.ShowHints);
        QCOMPARE(read.ForceNewNoteMode, 2);
        QCOMPARE(read.MarkBgColor, 65535);
        QCOMPARE(Options->FromEmail, std::string("old@example.org"));  // the pane reloads itself
    }

    void cancelledPreferencesChangeNothingAndPageFourAsksForTheAddress() {
        TPlumetsPrefs prefs(nullptr);
        OnNextModal([](QWidget* form) {
            QCOMPARE(Child<QTabWidget>(form, "tabs")->currentIndex(), 4);
            QCOMPARE(form->focusWidget(), static_cast<QWidget*>(Child<QLineEdit>(form, "edtFromEmail")));
            Child<QLineEdit>(form, "edtFromEmail")->setText("typed@example.org");
            static_cast<QDialog*>(form)->reject();
        });
        prefs.ShowModal(4);
        QVERIFY(!prefs.Accepted());
        TOptions read;
        read.Load();
        QCOMPARE(read.FromEmail, std::string());
    }
};

QB_GUI_TEST_MAIN(TestFolderAndPrefsDlg)
#include "FolderAndPrefsDlg.moc"
