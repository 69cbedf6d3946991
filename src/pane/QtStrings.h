#pragma once
// Where the Qt layer meets the core's strings: 8-bit text in the ANSI code page (paths,
// settings) and UTF-16 wide strings, both to and from QString without loss.
#include <QString>
#include <string>

inline QString ToQ(const std::u16string& text) { return QString::fromStdU16String(text); }
// 8-bit text in the ANSI code page.
QString AnsiToQ(const std::string& text);
std::string QToAnsi(const QString& text);
inline std::u16string QToWide(const QString& text) { return text.toStdU16String(); }
