#pragma once
// TFindBar: the small bar below the page that finds text in it. Typing finds as you type;
// Enter finds the next match, Shift+Enter the previous one; Escape or the close button hides
// the bar and clears the highlighting. The bar counts the matches ("2 of 5").
#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;
class QWebEnginePage;

class TFindBar : public QWidget {
    Q_OBJECT
public:
    TFindBar(QWebEnginePage* page, QWidget* parent);
    // Shows the bar with the focus in its text box, the text selected.
    void Open();
    void Close();
    void FindNext(bool backward = false);

    QLineEdit* edFind() const { return FEdit; }
    QLabel* lblResult() const { return FResult; }

signals:
    void Closed();

protected:
    // Escape belongs to the bar while its text box has the focus (the window's Stop waits).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWebEnginePage> FPage;
    QLineEdit* FEdit;
    QLabel* FResult;
};
