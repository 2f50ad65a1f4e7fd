// A scroll area that scrolls only up and down: it is always as wide as its content wants to be
// (plus the scroll bar), so a short screen scrolls the content instead of cutting it off.
#pragma once

#include <QScrollArea>
#include <QScrollBar>

namespace tavu {

class VerticalScrollArea : public QScrollArea {
public:
    explicit VerticalScrollArea(QWidget* parent = nullptr) : QScrollArea(parent) {
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    }
    QSize minimumSizeHint() const override {
        const int w = widget() ? widget()->minimumSizeHint().width() : 0;
        return {w + verticalScrollBar()->sizeHint().width() + 2, 120};
    }
    QSize sizeHint() const override {
        const QSize content = widget() ? widget()->sizeHint() : QSize();
        return {minimumSizeHint().width(), content.height()};
    }
};

}  // namespace tavu
