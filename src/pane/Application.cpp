#include "pane/Application.h"

#include "platform/Exceptions.h"
#include "settings/DebugM.h"

std::string ApplicationErrorText(const QObject* receiver) {
    const TExceptionInfo info = CurrentExceptionInfo();
    const std::string receiverClass = receiver ? receiver->metaObject()->className() : "nil";
    return "Application Error on " + receiverClass + " E: " + (info.Present ? info.ClassName : std::string("Exception"));
}

bool TQuillboxApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        try {
            DebugM::LogError(ApplicationErrorText(receiver));
        } catch (...) {
        }
        return false;
    }
}
