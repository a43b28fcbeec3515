// The one place where stored text meets Qt's strings. Pages and files hold
// Windows-1252 text, one byte a character; grids, message boxes, printouts,
// chart titles and the web window's address all show it decoded the same
// way, so a typographic apostrophe (0x92) or a euro sign (0x80) looks alike
// on screen and on paper. What the user types goes back into that code
// (characters it cannot hold become "?"). The stored bytes are never changed.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace krv {

QString fromCp1252(std::string_view bytes);
std::string toCp1252(const QString& text);

}  // namespace krv
