#include "pane/MenuToolBar.h"

#include <QMenu>
#include <QResizeEvent>
#include <QToolButton>

namespace {
constexpr int Spacing = 2;
constexpr int Margin = 1;
}  // namespace

TMenuToolBar::TMenuToolBar(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QMenu* TMenuToolBar::AddMenu(const QString& title, const QString& hint) {
    auto* menu = new QMenu(title, this);
    menu->menuAction()->setToolTip(hint.isEmpty() ? title : hint);
    menu->menuAction()->setStatusTip(hint);
    auto* button = new QToolButton(this);
    button->setDefaultAction(menu->menuAction());
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->show();
    addAction(menu->menuAction());
    FButtons.append(button);
    updateGeometry();
    Arrange(width(), true);
    return menu;
}

QToolButton* TMenuToolBar::ButtonOf(const QMenu* menu) const {
    for (QToolButton* button : FButtons)
        if (button->defaultAction() == menu->menuAction()) return button;
    return nullptr;
}

int TMenuToolBar::Arrange(int width, bool apply) const {
    int x = Margin, y = Margin, rowHeight = 0;
    for (QToolButton* button : FButtons) {
        if (button->isHidden()) continue;
        const QSize size = button->sizeHint();
        if (x > Margin && x + size.width() > width - Margin) {  // wrap to the next row
            x = Margin;
            y += rowHeight + Spacing;
            rowHeight = 0;
        }
        if (apply) button->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + Spacing;
        rowHeight = std::max(rowHeight, size.height());
    }
    return y + rowHeight + Margin;
}

int TMenuToolBar::heightForWidth(int width) const { return Arrange(width, false); }

QSize TMenuToolBar::sizeHint() const {
    int width = Margin;
    for (QToolButton* button : FButtons) width += button->sizeHint().width() + Spacing;
    return {width + Margin, Arrange(QWIDGETSIZE_MAX, false)};
}

QSize TMenuToolBar::minimumSizeHint() const { return {1, Arrange(QWIDGETSIZE_MAX, false)}; }

void TMenuToolBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange(event->size().width(), true);
}
