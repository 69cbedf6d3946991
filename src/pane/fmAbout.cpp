#include "pane/fmAbout.h"

#include "pane/Product.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("fmAbout");
    setWindowTitle(QString("About ") + ProductName);
    setFixedSize(FormSize, FormSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FPicture = new QLabel(this);
    FPicture->setObjectName("imgAbout");
    FPicture->setPixmap(AboutPicture());
    FPicture->setCursor(Qt::PointingHandCursor);
    FPicture->installEventFilter(this);
    layout->addWidget(FPicture);
    installEventFilter(this);
    if (const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(FormSize / 2, FormSize / 2));
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FPicture && event->type() == QEvent::MouseButtonRelease) {
        accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QPixmap TfmAbout::AboutPicture() {
    QPixmap picture(FormSize, FormSize);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, FormSize);
    sky.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
    sky.setColorAt(1, QColor(0x4a, 0x7a, 0xa8));
    p.fillRect(picture.rect(), sky);

    // A page with a few written lines.
    const QRectF page(70, 60, 150, 190);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    p.setBrush(QColor(0xfb, 0xf8, 0xef));
    p.drawRoundedRect(page, 6, 6);
    p.setPen(QPen(QColor(0x9a, 0xb0, 0xc8), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 6; ++i) {
        const qreal y = page.top() + 30 + i * 24;
        p.drawLine(QPointF(page.left() + 18, y), QPointF(page.right() - (i % 3 == 2 ? 60 : 18), y));
    }

    // A quill across the page's corner: the vane, its shaft and the nib.
    QPainterPath vane;
    vane.moveTo(150, 230);
    vane.cubicTo(170, 140, 230, 70, 285, 40);
    vane.cubicTo(275, 110, 225, 190, 150, 230);
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 1.5));
    p.setBrush(QColor(0xf0, 0xe6, 0xd0));
    p.drawPath(vane);
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(283, 43), QPointF(138, 244));
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(142, 238), QPointF(132, 252));

    QFont title = p.font();
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 262, FormSize, 40), Qt::AlignCenter, ProductName);
    QFont small = title;
    small.setPixelSize(13);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRectF(0, 296, FormSize, 20), Qt::AlignCenter, "Clippings from the web, kept as notes");
    return picture;
}

int ShowAbout(QWidget* parent) {
    TfmAbout form(parent);
    return form.exec();
}
