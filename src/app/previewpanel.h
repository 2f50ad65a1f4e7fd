// The preview: the selected picture rendered exactly as it will be saved (off the window's
// thread, newest request wins), the description box, the start page shown while the list is
// empty, and the previous/next buttons.
#pragma once

#include <QWidget>

#include "app/previewer.h"

class QFrame;
class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace tavu {

class WindowState;

class PreviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPanel(WindowState& state, QWidget* parent = nullptr);

    // Renders the selected picture again with the current settings.
    void refresh();
    // The list was emptied: nothing is shown.
    void clear();
    // The list has entries or not: the start page gives way to the preview.
    void listChanged(bool any);
    // Loads the start page `page`; false when it is missing.
    bool loadStartPage(const QString& page);
    void showStartPage(bool show);
    void showDescriptionBox();

    QFrame* box() const { return picImg; }
    QLabel* image() const { return imgM; }
    Previewer& previewer() { return preview_; }

signals:
    void shown();                   // a rendered preview (or its failure) is on screen
    void previousRequested();
    void nextRequested();
    void arrowPressed(int dx, int dy);
    void fullPreviewRequested();    // Enter on the preview
    void compareRequested();        // a double click on the preview
    void contextMenuRequested(const QPoint& global);
    void descriptionEntered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    WindowState& state_;
    Previewer preview_;
    quint64 previewId_ = 0;
    QFrame* picImg;
    QLabel* imgM;
    QLineEdit* txtPicTxt;
    QFrame* Picture1;
    QTextBrowser* Web;
    QToolButton *imgPre, *imgFor;
    QLabel* lblSizeInfo;  // the quality and file size the range gives the selected picture
    QLabel* lblEstimate;  // the source's size and what saving it gives
};

}  // namespace tavu
