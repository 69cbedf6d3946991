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

    // Cancel is the default and the cancel button: Escape, Return and Enter press it, on the
    // window or on the button.
    void keysPressCancel_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("onButton");
        QTest::addColumn<bool>("cancels");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << false << true;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << false << true;
        QTest::newRow("Escape on the button") << int(Qt::Key_Escape) << true << true;
        QTest::newRow("another key") << int(Qt::Key_A) << false << false;
    }
    void keysPressCancel() {
        QFETCH(int, key);
        QFETCH(bool, onButton);
        QFETCH(bool, cancels);
        TSplashForm form;
        form.Show("c", "t");
        QTest::keyClick(onButton ? static_cast<QWidget*>(form.btnCancel()) : &form, Qt::Key(key));
        QCOMPARE(form.Cancelled(), cancels);
    }
};

QB_GUI_TEST_MAIN(TestSplashForm)
#include "SplashForm.moc"
