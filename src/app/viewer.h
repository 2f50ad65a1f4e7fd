// The picture windows: the full-screen viewer (one picture, black surround, Esc or a click
// closes it) and the picture browser, which is either a grid of thumbnails of the file list or a
// full-screen slide show. Every picture is decoded through the program's own pipeline, on the
// thread pool, so the windows never wait for a decode.
#pragma once

#include <QHash>
#include <QImage>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QTimer;

namespace tavu {

class Canvas;



// Decodes `path` scaled down to fit inside `bounds` (pixels), keeping its proportions; a
// picture that already fits keeps its own size. A null image on failure, with the reason in
// `error` (Chinese). Safe to call from any thread.
QImage LoadFittedPicture(const QString& path, QSize bounds, QString* error = nullptr);

// Where a picture of `pictureSize` device pixels is drawn in `area` (logical pixels at `dpr`
// device pixels each): centred, one picture pixel to one device pixel when it fits, scaled down
// to fit when it does not.
QRectF FittedRect(QSize pictureSize, qreal dpr, const QRectF& area);

namespace detail {
struct LoadGuard;
}

class FullScreenViewer : public QWidget {
    Q_OBJECT
public:
    explicit FullScreenViewer(QWidget* parent = nullptr);
    ~FullScreenViewer() override;

    // A viewer that deletes itself when closed, shown full screen with `path` loading.
    static FullScreenViewer* open(const QString& path, QWidget* parent = nullptr);

    // Starts decoding `path` at the size of the viewer's screen; pictureLoaded follows.
    void showPicture(const QString& path);

    QString path() const { return path_; }
    const QImage& picture() const { return image_; }  // null while loading or after a failure
    bool isLoading() const { return loading_; }
    QString errorText() const { return error_; }

signals:
    void pictureLoaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::shared_ptr<detail::LoadGuard> guard_;
    QString path_;
    QImage image_;
    QString error_;
    bool loading_ = false;
    quint64 request_ = 0;  // a late result of an earlier picture is dropped
};

class PictureBrowser : public QWidget {
    Q_OBJECT
public:
    enum class Mode { List = 1, SlideShow = 2 };

    // `slideSeconds` is the slide-show interval (iSlideTime); below 1 it counts as 1.
    // `startIndex` is the slide shown first (clamped to the list).
    PictureBrowser(const QStringList& files, Mode mode, int slideSeconds = 3, int startIndex = 0,
                   QWidget* parent = nullptr);
    ~PictureBrowser() override;

    // Shows the window as its mode wants it: the list as a large window, the slide show full
    // screen. The slide timer runs while the window is shown and not paused.
    void present();

    Mode mode() const { return mode_; }
    const QStringList& files() const { return files_; }
    int currentIndex() const { return index_; }  // the slide shown; -1 when there is none
    bool isPaused() const { return paused_; }
    int intervalMs() const;
    int thumbnailsDone() const { return thumbsDone_; }
    QListWidget* listWidget() const { return list_; }  // null in the slide show

public slots:
    void advance();   // the next slide (after the last: the first)
    void goBack();    // the previous slide (before the first: the last)
    void setPaused(bool paused);
    void togglePause();
    // The full-screen viewer on entry `index` of the list.
    void openViewer(int index);

signals:
    void currentChanged(int index);
    void thumbnailReady(int index, bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Slide {
        QImage image;
        QString error;
    };
    void buildList();
    void requestThumbnails();
    void showSlide(int index);
    void requestSlide(int index);
    QSize slideBounds() const;

    std::shared_ptr<detail::LoadGuard> guard_;
    QStringList files_;
    Mode mode_;
    int seconds_ = 3;
    int index_ = -1;
    bool paused_ = false;
    int thumbsDone_ = 0;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;
    QHash<int, Slide> slides_;   // decoded slides around the current one
    QSet<int> pending_;          // slides being decoded
};

}  // namespace tavu
