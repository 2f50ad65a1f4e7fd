// Keeps every window of the program inside the screen it opens on: a window (or dialog) larger
// than the screen's free area is shrunk to it, and one that would stick out is moved back in.
#pragma once

#include <QObject>

class QWidget;

namespace tavu {

class ScreenGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Watches every window of the application from now on.
    static void Install(QObject* app);
    // Fits `window` into the free area of its screen (the screen of its parent, when it has one).
    static void Fit(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tavu
