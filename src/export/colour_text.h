#pragma once
// Colours in the settings file: a colour name such as "clBlack" for the standard colours,
// otherwise "$" and eight hex digits 00BBGGRR. Reading takes a name, a decimal number or "$" hex.

#include <QColor>
#include <optional>
#include <string>

namespace vantum::exporting {

std::string ColourToText(const QColor& colour);
// nullopt when the text is none of the forms.
std::optional<QColor> ColourFromText(const std::string& text);
// The defaults of the export colours are written RRGGBB ("222200").
QColor ColourFromRrggbb(const std::string& hex);

}  // namespace vantum::exporting
