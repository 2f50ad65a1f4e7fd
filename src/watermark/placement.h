// Placing things on the preview: grabbing and dragging a watermark, the marker that shows what is
// being moved, move mode for the picture's offset on its canvas, arrow-key nudges and the typed
// coordinates. Positions are in the preview image's pixels.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

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

    // Whether `at` hits a watermark; a hit moves that watermark's position list to "自定义".
    bool PinRect(const QPoint& at);
    void enterMoveMode();
    void mXYPos_Click();
    // A position list changed (`custom`: it is now on "自定义").
    void positionListChanged(bool picture, bool custom);
    // Arrow keys move what is being placed; false when nothing is being placed.
    bool nudge(int dx, int dy);
    // Where the preview picture lies inside the image label.
    QRect shownPictureRect() const;

signals:
    void grabbed(bool picture);
    // The picture's offset was set by a drag in move mode or by typed coordinates.
    void offsetCommitted(float x, float y);
    void coordinateEntryEnabled(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mouseEvent(QEvent* event);
    void placeMarker(const QPoint& at, bool centred);
    QSize layerSizeOnPreview(bool picture) const;
    double previewScale() const;

    WindowState& state_;
    AppContext& ctx_;
    QWidget* picImg;
    QLabel* imgM;
    QLabel* lblPos;
    bool dragging_ = false;
};

}  // namespace tavu
