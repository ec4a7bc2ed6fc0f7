#pragma once
// The extension categories the program ships with (config/Trovel.ini, built into the
// program), and how the properties dialog puts them back into a configuration text.
// No widgets.

#include <QString>

// The shipped Trovel.ini, as text.
QString ShippedConfiguration();

// `text` (a whole Trovel.ini) with the nine category lines of section "Extensions" taken
// from `shipped`: in an existing section they replace the category lines there, right
// after its header (other keys of the section and other sections stay as they are); a
// text without the section gets it at its end. Keys and section names match ignoring case.
QString WithShippedCategories(const QString& text, const QString& shipped);
