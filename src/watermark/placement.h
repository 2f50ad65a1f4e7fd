// Placing things on the preview: grabbing and dragging a watermark where it is drawn, the marker
// that shows what is being moved (the text's red dot, the picture's blue bar, move mode's blue
// square), move mode for the picture's offset on its canvas, arrow-key nudges and typed
// coordinates. Positions are in the preview image's pixels.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>

class QLabel;
class QWidget;

namespace tavu {

struct AppContext;
class WindowState;

class WatermarkPlacement : public QObject {
    Q_OBJECT
public:
    // `box` is the preview's frame, `image` the label inside it that shows the picture.
    WatermarkPlacement(WindowState& state, AppContext& context, QWidget* box, QLabel* image);

    // Whether `at` hits a watermark where it is drawn now; a hit moves that watermark's position
    // list to "自定义", keeping it where it is.
    bool PinRect(const QPoint& at);
    void enterMoveMode();
    void mXYPos_Click();
    // A position list changed from entry `previous` (`custom`: it is now on "自定义"). Going to
    // "自定义" starts from where the watermark is drawn now.
    void positionListChanged(bool picture, bool custom, int previous);
    // Arrow keys move what is being placed; false when nothing is being placed.
    bool nudge(int dx, int dy);
    // Where the preview picture lies inside the image label.
    QRect shownPictureRect() const;
    // Where a watermark is drawn now, in the image label's coordinates; empty when it is not drawn.
    QRect drawnRect(bool picture) const;
    const QLabel* marker() const { return lblPos; }

signals:
    void grabbed(bool picture);
    // The picture's offset was set by a drag in move mode or by typed coordinates.
    void offsetCommitted(float x, float y);
    void coordinateEntryEnabled(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Marker { TextDot, PictureBar, MoveSquare };
    bool mouseEvent(QEvent* event);
    void showMarker(Marker kind, const QPoint& at);
    void showMarkerOnWatermark(bool picture);
    void flashMarker();
    // The canvas place a watermark would have at position list entry `named`, as fractions.
    void adoptDrawnPlace(bool picture, int named);
    double previewScale() const;

    WindowState& state_;
    AppContext& ctx_;
    QWidget* picImg;
    QLabel* imgM;
    QLabel* lblPos;
    QTimer flash_;
    int flashesLeft_ = 0;
    bool dragging_ = false;
    QPoint grabOffset_;  // the pointer's distance from the grabbed watermark's anchor
};

}  // namespace tavu
