// The report run's progress window: its layout, its bar and its Cancel button.
#include "pane/SplashForm.h"
#include "support/GuiTestEnvironment.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QProgressBar>
#include <QPushButton>

class TestSplashForm : public QObject {
    Q_OBJECT
private slots:
    void showLaysTheControlsOut() {
        TSplashForm form;
        form.Show("Generating report...", "Generating report... \nPlease, wait....");
        QVERIFY(form.isVisible());
        QVERIFY(!form.isModal());
        QCOMPARE(form.windowTitle(), QString("Generating report..."));
        QCOMPARE(form.lblCaption()->text(), QString("Generating report... \nPlease, wait...."));
        QCOMPARE(form.img()->geometry(), QRect(8, 8, 32, 32));
        QCOMPARE(form.lblCaption()->geometry(), QRect(44, 8, 344, 44));
        QCOMPARE(form.pbProgress()->geometry(), QRect(8, 56, 344, 17));
        QCOMPARE(form.btnCancel()->geometry(), QRect(277, 81, 75, 25));
        QCOMPARE(form.size(), QSize(360, 114));
        QCOMPARE(form.btnCancel()->text(), QString("Cancel"));
        QVERIFY(form.btnCancel()->isDefault());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form.pos(), QPoint(screen.width() / 2 - 360 / 2, screen.height() / 2 - 114 / 2));
    }

    void barStepsToItsMaximum() {
        TSplashForm form;
        form.Show("c", "t");
        QCOMPARE(form.pbProgress()->maximum(), 100);
        form.SetMax(3);
        form.StepIt();
        form.StepIt();
        QCOMPARE(form.pbProgress()->value(), 2);
        form.StepIt();
        form.StepIt();  // never past the maximum
        QCOMPARE(form.pbProgress()->value(), 3);
        form.SetMax(10);
        form.Finish();
        QCOMPARE(form.pbProgress()->value(), 10);
    }

    void cancelIsSeenAtTheNextCheckpointAndStays() {
        TSplashForm form;
        form.Show("c", "t");
        QVERIFY(!form.Cancelled());
        QTimer::singleShot(0, form.btnCancel(), &QPushButton::click);
        QVERIFY(form.Cancelled());  // the checkpoint handles the pending click
        QVERIFY(form.Cancelled());
        TSplashForm closed;
        closed.Show("c", "t");
        closed.close();
        QVERIFY(closed.Cancelled());
    }
};

QB_GUI_TEST_MAIN(TestSplashForm)
#include "SplashForm.moc"
