#include "app/screenguard.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace tavu {

void ScreenGuard::Install(QObject* app) { app->installEventFilter(new ScreenGuard(app)); }

void ScreenGuard::Fit(QWidget* window) {
    if (window->isFullScreen() || window->isMaximized()) return;
    QScreen* screen = window->parentWidget() ? window->parentWidget()->screen() : window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    // The frame (title bar, borders) counts too once the window manager has drawn one.
    // Before the first showing no frame is known yet: leave room for a usual one.
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    const bool framed = window->testAttribute(Qt::WA_WState_Created) && frame != inner;
    const int extraW = framed ? std::max(0, frame.width() - inner.width()) : 8;
    const int extraH = framed ? std::max(0, frame.height() - inner.height()) : 32;
    QSize size = inner.size().boundedTo(QSize(free.width() - extraW, free.height() - extraH));
    size = size.expandedTo(window->minimumSize().boundedTo(free.size()));
    if (size != inner.size()) window->resize(size);
    QRect r = window->frameGeometry();
    const int x = std::clamp(r.left(), free.left(), std::max(free.left(), free.right() - r.width() + 1));
    const int y = std::clamp(r.top(), free.top(), std::max(free.top(), free.bottom() - r.height() + 1));
    if (x != r.left() || y != r.top()) window->move(x, y);
}

bool ScreenGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && !(w->windowFlags() & Qt::ToolTip) && w->windowType() != Qt::Popup) {
            Fit(w);
            // The window manager's frame is known only once the window is up: fit again then.
            QPointer<QWidget> later(w);
            QTimer::singleShot(300, w, [later] {
                if (later && later->isVisible()) Fit(later);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavu
