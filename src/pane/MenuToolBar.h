#pragma once
// TMenuToolBar: a toolbar in the style of a menu bar. Its items are drop-down menus shown as
// flat buttons with a drop-down arrow and the item's hint as tooltip; it fills the width it
// gets and wraps its items into further rows when they do not fit in one.
#include <QWidget>

class QMenu;
class QToolButton;

class TMenuToolBar : public QWidget {
    Q_OBJECT
public:
    explicit TMenuToolBar(QWidget* parent = nullptr);
    // Adds a submenu as the next item; the bar's actions() lists each submenu's menu action.
    QMenu* AddMenu(const QString& title, const QString& hint = QString());
    QToolButton* ButtonOf(const QMenu* menu) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the buttons in rows within width; with apply, moves them there. Returns the height.
    int Arrange(int width, bool apply) const;

    QList<QToolButton*> FButtons;
};
