// The pane's report run: the progress window it shows and the browser the report opens in.
#include "pane/SplashForm.h"
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "support/GuiTestEnvironment.h"
#include "support/PaneCommandFakes.h"

#include <QPushButton>

namespace {

// A template with every section, small enough to check the report by eye.
const char* const Template =
    "<!--HEADER_BEGIN-->\n<html><body><h1>#HEADER_TITLE#</h1>\n<!--HEADER_END-->\n"
    "<!--TOCBEGIN-->\n<ol>\n<!--TOCITEMBEGIN-->\n<li>#TOCITEM_TITLE#</li>\n<!--TOCITEMEND-->\n</ol>\n<!--TOCEND-->\n"
    "<!--NOTE_BEGIN-->\n<h2>#NOTE_TITLE#</h2>#NOTE_TEXT#\n<!--NOTE_END-->\n"
    "<!--REFLIST_BEGIN-->\n<ul>\n<!--REFLISTITEM_BEGIN-->\n<li>#REFERRER_URL#</li>\n<!--REFLISTITEM_END-->\n</ul>\n"
    "<!--REFLIST_END-->\n<!--FOOTER_BEGIN-->\n</body></html>\n<!--FOOTER_END-->\n";

}  // namespace

class TestMakeReport : public QObject, TPaneRig {
    Q_OBJECT

private slots:
    void init() {
        ResetRig();
        GuiTestEnv::WriteFile(Options->AppPath + "Templates/Simple.html", Template);
        GuiTestEnv::WriteFile(FStore + "Trips/Rome.html", "<html><body><p>Colosseum at dawn</p></body></html>");
        ReportUtils::SaveNodeToXML(FStore + "Trips/Rome.html", "Rome", "Rome guide", "https://example.org/rome",
                                   DateTimeUtils::Now(), "");
    }

    void reportOpensInTheBrowserWindowTheSettingsSay() {
        auto pane = MakePane();
        std::string file;
        pane->MakeReport("Trips", "Trips", true, file);
        QVERIFY(!file.empty());
        QVERIFY(GuiTestEnv::ReadFile(file).find("Colosseum at dawn") != std::string::npos);
        QCOMPARE(FBrowser.Navigations.size(), size_t(1));
        QCOMPARE(FBrowser.Navigations[0].Address.toStdString(), file);
        QCOMPARE(FBrowser.Navigations[0].Target, QString());
        Options->ShowSnippetInBrowserWindow = false;
        pane->MakeReport("Trips", "Trips", true, file);
        QCOMPARE(FBrowser.Navigations.back().Target, QString("_new"));
        pane->MakeReport("Trips", "Trips", false, file);
        QCOMPARE(FBrowser.Navigations.size(), size_t(2));
        // The progress window is gone when the run ends.
        for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<TSplashForm*>(widget));
    }

    void cancelInTheProgressWindowMakesNoReport() {
        auto pane = MakePane();
        std::string file;
        pane->MakeReport("Trips", "Trips", false, file);
        GuiTestEnv::WriteFile(file, "previous report");
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* splash = qobject_cast<TSplashForm*>(widget)) splash->btnCancel()->click();
        });
        std::string cancelled = "x";
        pane->MakeReport("Trips", "Trips", true, cancelled);
        QCOMPARE(cancelled, std::string());
        QCOMPARE(GuiTestEnv::ReadFile(file), std::string("previous report"));
        QVERIFY(FBrowser.Navigations.empty());
    }
};

QB_GUI_TEST_MAIN(TestMakeReport)
#include "MakeReport.moc"
