#include "app/elidedlabel.h"

#include <QMouseEvent>

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>

#include "app/widgets.h"

namespace tavu {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(0, contentsRect().width()));
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("……")) + 8, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const { return {std::min(QLabel::sizeHint().width(), 400), QLabel::sizeHint().height()}; }

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawItemText(&p, contentsRect(), int(alignment() | Qt::TextSingleLine), opt.palette, isEnabled(), shownText(),
                          foregroundRole());
}

bool ElidedLabel::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The whole text when it does not fit (or the tooltip set for the label), shown as typed.
        const QString tip = toolTip().isEmpty() && shownText() != text() ? text() : toolTip();
        auto* h = static_cast<QHelpEvent*>(e);
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(h->globalPos(), PlainTip(tip), this);
        return true;
    }
    return QLabel::event(e);
}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit clicked();
    ElidedLabel::mousePressEvent(e);
}

}  // namespace tavu
