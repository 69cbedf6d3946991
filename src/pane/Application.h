#pragma once
// The application object with the program's handler for exceptions that reach Qt's event
// loop: such an exception is written to the diagnostic log as "Application Error on " + the
// class of the object that received the event + " E: " + the exception's class, and nothing
// is shown to the user. The event is dropped and the program goes on.
#include <QApplication>
#include <string>

class TQuillboxApplication : public QApplication {
public:
    TQuillboxApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

// The log text for an exception being handled while receiver got an event.
std::string ApplicationErrorText(const QObject* receiver);
