#include "hosts/FormPlacement.h"

#include "platform/Registry.h"
#include "settings/Trap.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdio>

namespace FormPlacement {

namespace {

// A value as text; integers stored as dwords read too.
std::string ReadText(const TRegistry& reg, const char* name) {
    if (reg.GetDataType(name) == TRegDataType::Integer) return std::to_string(reg.ReadInteger(name));
    return reg.ReadString(name);
}

int ReadNumber(const TRegistry& reg, const char* name, int fallback) {
    try {
        return std::stoi(ReadText(reg, name));
    } catch (...) {
        return fallback;
    }
}

}  // namespace

std::string FormatRect(const QRect& rect) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", rect.left(), rect.top(), rect.left() + rect.width(),
                  rect.top() + rect.height());
    return text;
}

std::optional<QRect> ParseRect(const std::string& text) {
    int left, top, right, bottom;
    char tail;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &left, &top, &right, &bottom, &tail) != 4) return std::nullopt;
    if (right <= left || bottom <= top) return std::nullopt;
    return QRect(left, top, right - left, bottom - top);
}

void SavePlacement(const QWidget& window) {
    TrapVoid("TFormPlacement.SavePlacement", [&] {
        const int showCmd = window.isMaximized() ? SW_SHOWMAXIMIZED : window.isMinimized() ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
        TRegistry reg(THive::CurrentUser);
        if (!reg.OpenKey(PlacementKey, true)) return;
        reg.WriteString("Flags", "0");
        reg.WriteString("ShowCmd", std::to_string(showCmd));
        reg.WriteString("PixelsPerInch", std::to_string(window.logicalDpiX()));
        reg.WriteString("MinMaxPos", "-1,-1,-1,-1");
        reg.WriteString("NormPos", FormatRect(window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry()));
        reg.CloseKey();
    });
}

TShowCmd RestorePlacement(QWidget& window) {
    return Trap("TFormPlacement.RestorePlacement", SW_SHOWNORMAL, [&] {
        TRegistry reg(THive::CurrentUser);
        if (!reg.OpenKeyReadOnly(PlacementKey) || !reg.ValueExists("NormPos")) return SW_SHOWNORMAL;
        std::optional<QRect> rect = ParseRect(ReadText(reg, "NormPos"));
        if (rect) {
            const int storedPpi = ReadNumber(reg, "PixelsPerInch", window.logicalDpiX());
            if (storedPpi > 0 && storedPpi != window.logicalDpiX())
                rect->setSize(rect->size() * window.logicalDpiX() / storedPpi);
            // A rectangle stored on a screen that is gone moves onto the primary screen.
            if (!QGuiApplication::screenAt(rect->center()) && QGuiApplication::primaryScreen())
                rect->moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
            window.setGeometry(*rect);
        }
        return ReadNumber(reg, "ShowCmd", SW_SHOWNORMAL) == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    });
}

}  // namespace FormPlacement
