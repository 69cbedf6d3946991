#pragma once
// TfmAbout: the About box. A borderless 325 x 325 window, centred on the screen, holding one
// picture that fills it. A click on the picture closes it with OK, the Escape key with Cancel.
#include <QDialog>

class QLabel;

class TfmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int FormSize = 325;

    explicit TfmAbout(QWidget* parent = nullptr);
    QLabel* imgAbout() const { return FPicture; }
    // The picture: the program's name and a quill over a page, drawn at the form's size.
    static QPixmap AboutPicture();

protected:
    // The form sees every key before the picture does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* FPicture;
};

// Shows the About box modally and frees it; the form's result (QDialog::Accepted on a click).
int ShowAbout(QWidget* parent = nullptr);
