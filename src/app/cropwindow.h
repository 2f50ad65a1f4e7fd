// The crop window: the selected source picture with the crop rectangle over it, to drag and
// resize with the mouse (arrow keys move it), zoomed to fit or closer, with a ratio lock that
// follows the target size. It opens without holding up the main window and reports its choice.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>
#include <string>

#include "app/cropbox.h"
#include "app/previewer.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace tavu {

// The picture and the rectangle, drawn at a zoom (screen pixels per picture pixel).
class CropView : public QWidget {
    Q_OBJECT
public:
    explicit CropView(QWidget* parent = nullptr);
    void setPicture(const QImage& image, int pictureWidth, int pictureHeight, const IntRect& rect);
    bool hasPicture() const { return box_ != nullptr; }
    CropBox* box() { return box_.get(); }
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    // Where a point of the widget falls on the picture.
    QPointF toPicture(const QPointF& at) const { return at / zoom_; }
    QPointF fromPicture(const QPointF& at) const { return at * zoom_; }
    QSize sizeHint() const override;

signals:
    void rectChanged();
    void zoomWheel(int steps);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void updateCursor(const QPointF& at);

    QImage image_;
    std::unique_ptr<CropBox> box_;
    double zoom_ = 1;
};

class CropWindow : public QDialog {
    Q_OBJECT
public:
    // `source`: the entry's file; `rect`: its crop so far (empty: none); `ratio`: the target
    // size's shape (0: free), described by `ratioText` (e.g. "295×413").
    CropWindow(const QString& title, const std::string& source, const IntRect& rect, double ratio,
               const QString& ratioText, QWidget* parent = nullptr);

    CropView* view() const { return view_; }
    // Blocks until the picture has been read; for tests.
    void waitLoaded();

    QLabel* lblCutInfo;
    QCheckBox* chkCutRatio;
    QPushButton *cmdCutFit, *cmdCutZoomIn, *cmdCutZoomOut, *cmdCut100;
    QPushButton *cmdCutClear, *cmdCutOK, *cmdCutCancel;

signals:
    // The chosen rectangle for `source` (empty: no crop any more).
    void cropChosen(const std::string& source, const IntRect& rect);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void pictureRead(const QImage& image, const QString& error, const QSize& size);
    void fitZoom();
    void zoomBy(double factor);
    void showInfo();

    std::string source_;
    IntRect start_;
    double ratio_;
    bool fitted_ = true;  // the zoom follows the window's size until the user zooms
    QScrollArea* scroll_;
    CropView* view_;
    Previewer reader_;
    quint64 readId_ = 0;
};

}  // namespace tavu
