#include "SmokeProbe.h"

#include "hosts/frmBrowser.h"

#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QToolButton>
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

    // The window; with a popup menu, the part of the screen that holds both.
    void Screenshot(const QString& name, const QWidget* popup = nullptr) {
        QScreen* screen = FWindow.screen() ? FWindow.screen() : QGuiApplication::primaryScreen();
        QPixmap shot;
        if (screen && popup) {
            const QRect area = FWindow.frameGeometry().united(popup->geometry()) & screen->geometry();
            shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        } else if (screen) {
            shot = screen->grabWindow(FWindow.winId());
        }
        const bool saved = !shot.isNull() && shot.save(FFolder + "/" + name);
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
            ShowMenus();
        }
    }

    // The pane's menus as a user opens them: the toolbar's "Note from", then the tree's
    // context menu on its first folder; each is reported and kept as a screenshot.
    void ShowMenus() {
        TfrmMain* pane = FWindow.frmNotes();
        QMenu* noteFrom = pane->mnuNoteFrom();
        const QWidget* button = pane->tbarMain()->ButtonOf(noteFrom);
        noteFrom->popup(button->mapToGlobal(QPoint(0, button->height())));
        QTimer::singleShot(SettleMs, this, [this, pane, noteFrom] {
            ReportMenu("notefrom", noteFrom);
            Screenshot("notefrom.png", noteFrom);
            noteFrom->close();
            TNotesTreeView* tree = pane->treeNotes();
            const QModelIndex first = pane->Model()->index(0, 0);
            tree->setCurrentIndex(first);
            emit tree->customContextMenuRequested(tree->visualRect(first).center());
            QTimer::singleShot(SettleMs, this, [this, pane] {
                ReportMenu("context", pane->popTree());
                Screenshot("context.png", pane->popTree());
                pane->popTree()->close();
                Finish("done");
            });
        });
    }

    void ReportMenu(const QString& name, const QMenu* menu) {
        QStringList items;
        for (const QAction* action : menu->actions())
            if (action->isVisible()) items << (action->isSeparator() ? "-" : action->text());
        Write(QString("%1.visible=%2").arg(name).arg(menu->isVisible()));
        Write(QString("%1.items=%2").arg(name, items.join('|')));
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

void Attach(TfrmBrowser& window, const QElapsedTimer& sinceStart, const QString& folder, const QString& url) {
    new TProbe(window, sinceStart, folder, url);
}

}  // namespace SmokeProbe
