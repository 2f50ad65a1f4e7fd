// A one-line label that never widens its window: a text too long for the room it has is shown
// shortened in the middle ("/home/…/photo.jpg"), with the whole text in its tooltip. The text is
// always shown as typed, never as markup.
#pragma once

#include <QLabel>

namespace tavu {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);
    // The text as it fits the label's width now.
    QString shownText() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
};

// An elided label that reports clicks (the status line opens the home page).
class ClickLabel : public ElidedLabel {
    Q_OBJECT
public:
    using ElidedLabel::ElidedLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace tavu
