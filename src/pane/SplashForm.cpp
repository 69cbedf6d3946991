#include "pane/SplashForm.h"

#include "pane/QtStrings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

TSplashForm::TSplashForm() : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                   Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("SplashForm");
    QFont font("MS Sans Serif");
    font.setPixelSize(13);
    setFont(font);
    resize(394, 134);
    // The program has no "SPLASHICON" picture: the image stays empty and the window keeps
    // the application's icon.
    FImg = new QLabel(this);
    FImg->setObjectName("img");
    FCaption = new QLabel(this);
    FCaption->setObjectName("lblCaption");
    FCaption->setWordWrap(true);
    FCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FProgress = new QProgressBar(this);
    FProgress->setObjectName("pbProgress");
    FProgress->setRange(0, 100);
    FProgress->setValue(0);
    FProgress->setTextVisible(false);
    FCancel = new QPushButton("Cancel", this);
    FCancel->setObjectName("btnCancel");
    FCancel->setDefault(true);
    FCancel->resize(75, 25);
    connect(FCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
    LayoutControls();
}

void TSplashForm::LayoutControls() {
    FImg->setGeometry(8, 8, 32, 32);
    FCaption->setGeometry(44, 8, 344, 44);
    FProgress->setGeometry(8, 56, 344, 17);
    FCancel->move(352 - FCancel->width(), 81);
    setFixedSize(FCancel->x() + FCancel->width() + 8, FCancel->height() + 89);
}

void TSplashForm::Show(const std::string& caption, const std::string& text) {
    setWindowTitle(AnsiToQ(caption));
    SetText(text);
    LayoutControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
    }
    show();
    FCancel->setFocus();
    repaint();
}

void TSplashForm::SetText(const std::string& text) { FCaption->setText(AnsiToQ(text)); }

void TSplashForm::SetMax(int max) { FProgress->setMaximum(std::max(max, FProgress->minimum())); }

void TSplashForm::StepIt() { FProgress->setValue(std::min(FProgress->value() + 1, FProgress->maximum())); }

void TSplashForm::Finish() { FProgress->setValue(FProgress->maximum()); }

bool TSplashForm::Cancelled() {
    QCoreApplication::processEvents();
    return FCancelled;
}

void TSplashForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    LayoutControls();
}

// Closing the window while the run goes on asks it to stop, as Cancel does; the run closes
// the window itself when it ends.
void TSplashForm::closeEvent(QCloseEvent* event) {
    FCancelled = true;
    event->ignore();
}

// Cancel is the window's default and cancel button: Return, Enter and Escape press it.
void TSplashForm::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        const int key = event->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            FCancel->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}
