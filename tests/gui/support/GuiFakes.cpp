#include "support/GuiFakes.h"

#include "platform/Exceptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
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

TTinyHttpServer::TTinyHttpServer() {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QList<QByteArray> words = socket->readAll().split(' ');
                const auto it = Responses.find(words.size() > 1 ? words[1] : QByteArray());
                socket->write(it != Responses.end() ? it->second
                                                    : QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
                socket->disconnectFromHost();
            });
        }
    });
}

QByteArray TTinyHttpServer::Ok(const QByteArray& body, const char* type) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + QByteArray(type) + "\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
