// The before/after view: the source on the left of a split line, the result on the right, at the
// same place and scale, so that moving the line shows what compression did. Fits the window or
// shows the result at 100 %; dragging pans a picture larger than the view, or moves the line
// when it is grabbed.
#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace tavu {

class CompareView : public QWidget {
    Q_OBJECT
public:
    explicit CompareView(QWidget* parent = nullptr);

    // `before` is stretched to `after`'s size where they differ.
    void setImages(const QImage& before, const QImage& after);
    // The split line's place across the view, 0 (all result) to 1 (all source).
    void setSplit(double split);
    // What the view says while it has no pictures (they are being prepared, or why there are none).
    void setMessage(const QString& message);
    double split() const { return split_; }
    void fitToWindow();
    void actualSize();
    bool fitted() const { return fit_; }
    // Screen pixels per result pixel.
    double scale() const;
    // Where the result's top-left pixel is drawn.
    QPointF origin() const;
    void panBy(QPointF delta);

signals:
    void splitMoved(double split);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void clampPan();

    QImage before_, after_;
    QString message_ = QStringLiteral("正在准备对比……");
    double split_ = 0.5;
    bool fit_ = true;
    QPointF pan_;  // offset from the centred place, in screen pixels (100 % only)
    enum class Drag { None, Line, Pan } drag_ = Drag::None;
    QPointF last_;
};

}  // namespace tavu
