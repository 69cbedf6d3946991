#include "hosts/SmokeProbe.h"

#include "hosts/frmBrowser.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

namespace SmokeProbe {

namespace {

constexpr int StageTimeoutMs = 60000;
constexpr int SettleMs = 1500;  // lets the page paint after loading, for the screenshot

class TProbe : public QObject {
public:
    TProbe(TfrmBrowser& window, const QElapsedTimer& sinceStart, QString folder, QString url)
        : QObject(&window), FWindow(window), FSinceStart(sinceStart), FFolder(std::move(folder)), FUrl(std::move(url)) {
        window.installEventFilter(this);
        connect(window.wbIE()->page(), &QWebEnginePage::loadFinished, this, &TProbe::PageLoaded);
        FTimeout.setSingleShot(true);
        connect(&FTimeout, &QTimer::timeout, this, [this] { Finish("timeout in stage " + QString::number(FStage)); });
        FTimeout.start(StageTimeoutMs);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FShownMs && watched == &FWindow && event->type() == QEvent::Paint) {
            FShownMs = FSinceStart.elapsed();
            Write(QString("shown_ms=%1").arg(FShownMs));
        }
        return false;
    }

private:
    void Write(const QString& line) {
        QFile file(FFolder + "/probe.txt");
        if (!file.open(QIODevice::Append | QIODevice::Text)) return;
        QTextStream(&file) << line << "\n";
    }

    void Screenshot(const QString& name) {
        QScreen* screen = FWindow.screen() ? FWindow.screen() : QGuiApplication::primaryScreen();
        const bool saved = screen && screen->grabWindow(FWindow.winId()).save(FFolder + "/" + name);
        Write(QString("screenshot=%1 %2").arg(name, saved ? "saved" : "failed"));
    }

    void Report(const QString& stage) {
        QWebEnginePage* page = FWindow.wbIE()->page();
        Write(QString("%1.window=%2 visible=%3 size=%4x%5").arg(stage, FWindow.windowTitle()).arg(FWindow.isVisible())
                  .arg(FWindow.width()).arg(FWindow.height()));
        TfrmMain* pane = FWindow.frmNotes();
        Write(QString("%1.pane=%2 width=%3 folders=%4").arg(stage).arg(pane && pane->isVisible())
                  .arg(FWindow.pnlNotes()->width()).arg(pane ? pane->Model()->Root()->Children.size() : 0));
        Write(QString("%1.page=%2").arg(stage, page->url().toString()));
        Write(QString("%1.title=%2").arg(stage, page->title()));
        Write(QString("%1.address=%2").arg(stage, FWindow.edIEAddress()->currentText()));
    }

    void PageLoaded(bool ok) {
        Write(QString("load=%1 ok=%2").arg(FWindow.wbIE()->page()->url().toString()).arg(ok));
        QTimer::singleShot(SettleMs, this, [this] { NextStage(); });
    }

    void NextStage() {
        FTimeout.start(StageTimeoutMs);
        if (FStage == 0) {
            FStage = 1;
            Report("start");
            Screenshot("start.png");
            if (FUrl.isEmpty()) return Finish("done");
            // As a user does: the address typed into the address box and entered.
            FWindow.edIEAddress()->setEditText(FUrl);
            emit FWindow.edIEAddress()->AddressEntered(FUrl);
        } else if (FStage == 1) {
            FStage = 2;
            Report("navigated");
            Screenshot("page.png");
            Finish("done");
        }
    }

    void Finish(const QString& result) {
        FTimeout.stop();
        Write("result=" + result);
        FWindow.close();
    }

    TfrmBrowser& FWindow;
    QElapsedTimer FSinceStart;
    QString FFolder, FUrl;
    QTimer FTimeout;
    qint64 FShownMs = 0;
    int FStage = 0;
};

}  // namespace

void Attach(TfrmBrowser& window, const QElapsedTimer& sinceStart) {
    const QString folder = qEnvironmentVariable("QUILLBOX_SMOKE_PROBE");
    if (folder.isEmpty() || !QDir().mkpath(folder)) return;
    new TProbe(window, sinceStart, folder, qEnvironmentVariable("QUILLBOX_SMOKE_URL"));
}

}  // namespace SmokeProbe
