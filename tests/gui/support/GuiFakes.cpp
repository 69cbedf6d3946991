#include "support/GuiFakes.h"

#include "platform/Exceptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>

TAnswer TScriptedPrompt::Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon) {
    Texts.push_back(text);
    Captions.push_back(caption);
    if (!Answers.empty()) {
        const TAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    return buttons == TButtons::OK ? TAnswer::OK : TAnswer::Cancel;
}

QString TFakeDocument::Title() {
    if (FThrow) throw EOSError("the page is gone");
    return FTitle;
}

bool TFakeDocument::SelectionHtml(QString& html) {
    html = FSelection;
    return FSelectionOk;
}

bool TFakeDocument::ExecCommand(const QString& command, const QString& value) {
    Commands << (value.isEmpty() ? command : command + " " + value);
    return true;
}

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        if (modal) action(modal);
    });
    timer->start(10);
}
