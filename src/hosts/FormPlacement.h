#pragma once
// The browser window's placement in the registry file: key "Brennock\Quillbox\Quillbox
// Browser" under HKEY_CURRENT_USER, section "Form Placement", the values "Flags", "ShowCmd",
// "PixelsPerInch", "MinMaxPos" and "NormPos" written as text, as an INI section in the
// registry keeps them.
#include <QRect>
#include <optional>
#include <string>

class QWidget;

namespace FormPlacement {

inline constexpr const char* PlacementKey = "Brennock\\Quillbox\\Quillbox Browser\\Form Placement";
enum TShowCmd { SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

// "left,top,right,bottom" for a rectangle, and back (nothing when the text is not four numbers
// or the rectangle is empty).
std::string FormatRect(const QRect& rect);
std::optional<QRect> ParseRect(const std::string& text);

// Writes the window's normal rectangle, its state and the screen's pixels per inch.
void SavePlacement(const QWidget& window);
// Gives the window its stored normal rectangle (scaled when the screen's pixels per inch
// changed, kept on a screen) and returns the state to show it in: maximised, or normal.
// Nothing is changed when no placement is stored.
TShowCmd RestorePlacement(QWidget& window);

}  // namespace FormPlacement
