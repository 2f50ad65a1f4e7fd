// What the window needs from the world; tests give their own.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "watermark/textsettings.h"

class QWidget;

namespace tavu {

class SettingsStore;
class Prompts;

struct AppContext {
    QString programDir;             // shipped files: size.ini, skin/, bk/, sy/, ReadMe.txt, ad page
    QString workDir;                // zp/ and user/ live here
    SettingsStore* settings = nullptr;
    Prompts* prompts = nullptr;
    // Calls out to the desktop; replaced by tests.
    std::function<void(const QString&)> openFolder, openTextFile, openWebPage;
    // The text watermark's settings window; nothing when cancelled. Replaced by tests.
    std::function<std::optional<TextStyle>(QWidget*, const TextStyle&)> editTextStyle;
    // Ends the application's event loop (the exit command). Tests replace it: a real quit would
    // make every later event loop of the test program return at once.
    std::function<void()> quitApplication;
};

}  // namespace tavu
