#include "app/screencapture.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace tavu {

namespace {

// Long enough for the window manager to unmap the window and the desktop to repaint.
constexpr int kSettleMs = 350;

void WaitEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Creates a file that did not exist before (never opens an existing one).
std::unique_ptr<QFile> CreateFreshFile(const QString& dir, const QString& stem) {
    for (int n = 1; n < 10000; ++n) {
        const QString name = stem + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".png");
        auto file = std::make_unique<QFile>(QDir(dir).filePath(name));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) return file;
        if (!file->exists()) return nullptr;  // not a name clash: the folder cannot be written
    }
    return nullptr;
}

}  // namespace

QString CaptureScreenToFile(QWidget* mainWindow, const QString& userDir) {
    const bool wasVisible = mainWindow && mainWindow->isVisible();
    if (wasVisible) {
        mainWindow->hide();
        WaitEventsFor(kSettleMs);
    }

    QPixmap shot;
    if (QScreen* screen = QGuiApplication::primaryScreen()) shot = screen->grabWindow(0);

    QString result;
    if (!shot.isNull() && QDir().mkpath(userDir)) {
        const QString stem = QStringLiteral("tempSC") + QDateTime::currentDateTime().toString(QStringLiteral("ddhhmmss"));
        if (auto file = CreateFreshFile(userDir, stem)) {
            if (shot.save(file.get(), "PNG") && file->flush()) {
                result = file->fileName();
                file->close();
            } else {
                file->close();
                file->remove();
            }
        }
    }

    if (wasVisible) {
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    return result;
}

}  // namespace tavu
