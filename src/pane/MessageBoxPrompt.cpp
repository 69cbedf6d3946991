#include "pane/MessageBoxPrompt.h"

#include "pane/QtStrings.h"

#include <QMessageBox>
#include <QPointer>

namespace {

QMessageBox::Icon ToQt(TIcon icon) {
    switch (icon) {
        case TIcon::Information: return QMessageBox::Information;
        case TIcon::Question: return QMessageBox::Question;
        case TIcon::Warning: return QMessageBox::Warning;
        case TIcon::Error: return QMessageBox::Critical;
        case TIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct TButtonSet {
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default;  // the second button, where there is one
};

TButtonSet ToQt(TButtons buttons) {
    switch (buttons) {
        case TButtons::OK: return {QMessageBox::Ok, QMessageBox::Ok};
        case TButtons::OKCancel: return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
        case TButtons::YesNo: return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
        case TButtons::YesNoCancel:
            return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No};
    }
    return {QMessageBox::Ok, QMessageBox::Ok};
}

}  // namespace

TAnswer TMessageBoxPrompt::Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) {
    const TButtonSet set = ToQt(buttons);
    QPointer<QMessageBox> box = new QMessageBox(ToQt(icon), AnsiToQ(caption), AnsiToQ(text), set.Buttons, FOwner);
    box->setDefaultButton(set.Default);
    const int result = box->exec();
    delete box.data();
    switch (result) {
        case QMessageBox::Yes: return TAnswer::Yes;
        case QMessageBox::No: return TAnswer::No;
        case QMessageBox::Ok: return TAnswer::OK;
        default: return buttons == TButtons::OK ? TAnswer::OK : TAnswer::Cancel;
    }
}
