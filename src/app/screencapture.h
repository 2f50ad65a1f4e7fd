// Screen capture ("屏幕截图..."): the main window steps aside, the whole primary screen is saved
// as a PNG file in the user folder, and the window comes back.
#pragma once

#include <QString>

class QWidget;

namespace tavu {

// Hides `mainWindow` (may be null), waits a moment for the desktop to repaint without it, grabs
// the primary screen and saves it as userDir + "/tempSC" + day, hour, minute, second ("ddhhmmss")
// + ".png". When that name is taken, "_2", "_3", ... go before ".png": no file is ever replaced.
// The window is shown again if it was visible. Returns the new file's path, or an empty text when
// the screen could not be grabbed or the file not written. The user folder is created if missing.
QString CaptureScreenToFile(QWidget* mainWindow, const QString& userDir);

}  // namespace tavu
