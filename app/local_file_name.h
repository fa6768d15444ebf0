#pragma once
// File names are bytes; the window keeps them as QString. A name is
// decoded as UTF-8, and each byte that is not part of valid UTF-8 is kept
// as the lone surrogate U+DC80 to U+DCFF (which no valid UTF-8 decodes to),
// so that encoding gives back the very bytes: the file the name was given
// for, not one with U+FFFD in its name (Qt's own conversions replace such
// bytes). Every path the window hands to the file layer goes through
// localFileNameBytes.

#include <QString>
#include <string>
#include <string_view>

namespace vendrel {

QString localFileName(std::string_view bytes);
std::string localFileNameBytes(const QString& name);

// `name` made absolute against the current folder, as bytes throughout
// (QFileInfo::absoluteFilePath would lose the bytes of a relative name).
QString absoluteLocalFileName(const QString& name);

}  // namespace vendrel
