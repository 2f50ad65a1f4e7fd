// File names as the window holds them. Linux file names are bytes; most are UTF-8, but names
// from Windows archives and old cameras may be GBK or anything else. The window keeps such a
// name in a QString without losing it: every byte that is not part of valid UTF-8 is carried as
// a lone low surrogate (U+DC80..U+DCFF), and turned back into that byte on the way out. Only the
// display is lossy (such a character shows as a box).
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tavu {

QString PathText(std::string_view bytes);
std::string PathBytes(const QString& text);
// For people to read: the carried bytes become U+FFFD.
QString ReadablePath(const QString& text);

}  // namespace tavu
