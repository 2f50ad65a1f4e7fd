// Renders pictures for the window off its thread: the newest request wins, older ones are dropped.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "batch/picturerender.h"
#include "batch/batchrun.h"
#include "batch/saveestimate.h"

namespace tavu {

// A canvas as an image the window can show (a deep copy).
QImage CanvasToImage(const Canvas& canvas);
// The same, fitted into maxWidth × maxHeight (kept as it is when it fits, or a limit is 0).
QImage CanvasToScreenImage(const Canvas& canvas, int maxWidth, int maxHeight);

class Previewer : public QObject {
    Q_OBJECT
public:
    explicit Previewer(QObject* parent = nullptr);
    ~Previewer() override;

    // Asks for `source` rendered with `settings`, at most `maxWidth` x `maxHeight` pixels (a larger
    // result is scaled down for the screen; 0 = no limit). Returns the request's number.
    // `source` is the file's path as the file system spells it (any bytes).
    // With `save`, the rendered picture is then encoded as the run would save it with those
    // options, on a second thread while the next picture is drawn: estimated() reports the result's
    // size (and sizeFound() what a file-size range chose), unless a newer picture is on its way.
    quint64 request(const std::string& source, const RenderSettings& settings, int maxWidth = 0, int maxHeight = 0,
                    std::optional<BatchOptions> save = std::nullopt);
    // Blocks until every request so far has been answered; for tests.
    void waitIdle();

signals:
    // `image` is null when the picture could not be rendered; `error` then says why (with an image,
    // `error` names a border or watermark that could not be drawn). `canvas` is the
    // rendered picture's own size (the image may be scaled down from it).
    void rendered(quint64 id, const QImage& image, const QString& error, const QSize& canvas);
    // "质量85, 编码6次, 38.2 KB", or why no file would be written.
    void sizeFound(quint64 id, const QString& text);
    // What saving the rendered picture would give (after rendered()).
    void estimated(quint64 id, const tavu::SaveEstimate& estimate);

private:
    struct Job {
        quint64 id;
        std::string source;
        RenderSettings settings;
        int maxWidth, maxHeight;
        std::optional<BatchOptions> save;
    };
    struct EstimateJob {
        quint64 id;
        std::string source;
        RenderSettings settings;  // what the canvas was drawn with
        std::shared_ptr<const Canvas> canvas;
        BatchOptions save;
    };
    void loop();
    void estimateLoop();

    std::mutex m_;
    std::condition_variable cv_;
    std::optional<Job> next_;
    std::optional<EstimateJob> nextEstimate_;
    bool busy_ = false, quit_ = false, estimating_ = false;
    quint64 lastId_ = 0;
    std::thread thread_, estimator_;
};

}  // namespace tavu
