#include "pane/QtStrings.h"

#include "platform/CodePage.h"

QString AnsiToQ(const std::string& text) { return QString::fromStdU16String(CodePage::AnsiToWide(text)); }

std::string QToAnsi(const QString& text) { return CodePage::WideToAnsi(text.toStdU16String()); }
