// Qt's own texts (standard buttons, the colour chooser, text-box context menus) in Chinese.
#pragma once

class QCoreApplication;

namespace tavu {

// Installs Qt's Simplified-Chinese translations from the system's Qt translations folder; false
// when they are not installed (the program's own texts are Chinese either way).
bool InstallChineseQtTranslations(QCoreApplication* app);

}  // namespace tavu
