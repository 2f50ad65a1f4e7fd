#include "app/boxtip.h"

#include <QEvent>
#include <QLineEdit>

#include "app/windowstate.h"

namespace tavu {

BoxTip::BoxTip(QLineEdit* box, const QString& tip, WindowState& state) : QObject(box), tip_(tip), state_(state) {
    box->installEventFilter(this);
}

void BoxTip::Attach(QLineEdit* box, const QString& tip, WindowState& state) { new BoxTip(box, tip, state); }

bool BoxTip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (!clicked_) static_cast<QLineEdit*>(watched)->selectAll();
        clicked_ = true;
        state_.tip(tip_);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavu
