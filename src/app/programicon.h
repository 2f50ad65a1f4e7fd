// The program's icon: the desktop theme's icon of the installed program when there is one,
// otherwise the copies built into the executable.
#pragma once

#include <QIcon>

namespace tavu {

// The desktop entry's and icon's name ("org.tavuzip.TavuZip").
inline constexpr const char* kDesktopId = "org.tavuzip.TavuZip";

QIcon ProgramIcon();

}  // namespace tavu
