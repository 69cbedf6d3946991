#include "hosts/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

TFindBar::TFindBar(QWebEnginePage* page, QWidget* parent) : QWidget(parent), FPage(page) {
    setObjectName("FindBar");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel("Find:", this);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName("edFind");
    FEdit->setClearButtonEnabled(true);
    label->setBuddy(FEdit);
    const auto button = [this](const char* name, const QString& text, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(text);
        b->setIcon(style()->standardIcon(icon));
        b->setAutoRaise(true);
        return b;
    };
    QToolButton* previous = button("btnFindPrevious", "Previous match", QStyle::SP_ArrowUp);
    QToolButton* next = button("btnFindNext", "Next match", QStyle::SP_ArrowDown);
    QToolButton* close = button("btnFindClose", "Close", QStyle::SP_TitleBarCloseButton);
    FResult = new QLabel(this);
    FResult->setObjectName("lblFindResult");
    layout->addWidget(label);
    layout->addWidget(FEdit, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(FResult);
    layout->addWidget(close);

    FEdit->installEventFilter(this);
    connect(FEdit, &QLineEdit::textChanged, this, [this] { FindNext(); });
    connect(previous, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(next, &QToolButton::clicked, this, [this] { FindNext(); });
    connect(close, &QToolButton::clicked, this, &TFindBar::Close);
    if (FPage)
        connect(FPage, &QWebEnginePage::findTextFinished, this, [this](const QWebEngineFindTextResult& result) {
            if (FEdit->text().isEmpty()) return FResult->clear();
            FResult->setText(result.numberOfMatches() == 0
                                 ? QString("No matches")
                                 : QString("%1 of %2").arg(result.activeMatch()).arg(result.numberOfMatches()));
        });
    hide();
}

void TFindBar::Open() {
    show();
    FEdit->setFocus(Qt::ShortcutFocusReason);
    FEdit->selectAll();
}

void TFindBar::Close() {
    if (FPage) FPage->findText(QString());  // clears the highlighting
    FResult->clear();
    hide();
    emit Closed();
}

void TFindBar::FindNext(bool backward) {
    if (!FPage) return;
    FPage->findText(FEdit->text(), backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FEdit || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool escape = key->key() == Qt::Key_Escape;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (event->type() == QEvent::ShortcutOverride) {
        if (escape) event->accept();
        return false;
    }
    if (escape) Close();
    else if (enter) FindNext(key->modifiers() & Qt::ShiftModifier);
    return escape || enter;
}
