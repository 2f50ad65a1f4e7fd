#include "app/previewer.h"

#include <QMetaObject>

namespace tavu {

QImage CanvasToImage(const Canvas& canvas) {
    if (canvas.empty()) return {};
    const QImage view(canvas.data(), canvas.width(), canvas.height(), qsizetype(canvas.stride()),
                      QImage::Format_RGB888);
    // A deep copy that paints fast; the canvas may go away at once.
    return view.convertToFormat(QImage::Format_RGB32);
}

Previewer::Previewer(QObject* parent)
    : QObject(parent), thread_([this] { loop(); }), estimator_([this] { estimateLoop(); }) {}

Previewer::~Previewer() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
    estimator_.join();
}

void Previewer::estimateLoop() {
    for (;;) {
        EstimateJob job;
        {
            std::unique_lock lk(m_);
            cv_.wait(lk, [this] { return quit_ || nextEstimate_; });
            if (quit_) return;
            job = std::move(*nextEstimate_);
            nextEstimate_.reset();
            // A newer picture is being drawn or waits: its own estimate follows, this one is out of date.
            if (next_ || (busy_ && lastId_ != job.id)) {
                cv_.notify_all();
                continue;
            }
            estimating_ = true;
        }
        const SaveEstimate e = EstimateSave(*job.canvas, job.source, job.save);
        QMetaObject::invokeMethod(
            this,
            [this, id = job.id, e] {
                if (e.size.searched) emit sizeFound(id, QString::fromStdString(e.ok ? SizeInfoText(e.size) : e.error));
                emit estimated(id, e);
            },
            Qt::QueuedConnection);
        {
            std::lock_guard lk(m_);
            estimating_ = false;
        }
        cv_.notify_all();
    }
}

quint64 Previewer::request(const std::string& source, const RenderSettings& settings, int maxWidth, int maxHeight,
                           std::optional<BatchOptions> save) {
    quint64 id;
    {
        std::lock_guard lk(m_);
        id = ++lastId_;
        next_ = Job{id, source, settings, maxWidth, maxHeight, std::move(save)};
    }
    cv_.notify_all();
    return id;
}

void Previewer::waitIdle() {
    std::unique_lock lk(m_);
    cv_.wait(lk, [this] { return !next_ && !busy_ && !nextEstimate_ && !estimating_; });
}

void Previewer::loop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lk(m_);
            cv_.wait(lk, [this] { return quit_ || next_; });
            if (quit_) return;
            job = std::move(*next_);
            next_.reset();
            busy_ = true;
        }
        Canvas canvas;
        std::string decorationError;
        const DrawOutcome out = RenderPicture(canvas, job.source, job.settings, &decorationError);
        QImage image = CanvasToImage(canvas);
        const QSize canvasSize(canvas.width(), canvas.height());
        if (!image.isNull() && job.maxWidth > 0 && job.maxHeight > 0 &&
            (image.width() > job.maxWidth || image.height() > job.maxHeight))
            image = image.scaled(job.maxWidth, job.maxHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // A drawn picture may still miss a border or watermark layer that could not be drawn.
        const QString error = QString::fromStdString(out.ok() ? decorationError : out.errorText);
        QMetaObject::invokeMethod(
            this,
            [this, id = job.id, image, error, canvasSize] { emit rendered(id, image, error, canvasSize); },
            Qt::QueuedConnection);
        // Then what saving it would give, on the estimating thread: the next picture is drawn meanwhile.
        if (job.save && out.ok() && !canvas.empty()) {
            {
                std::lock_guard lk(m_);
                nextEstimate_ = EstimateJob{job.id, job.source, std::make_shared<const Canvas>(std::move(canvas)),
                                            std::move(*job.save)};
            }
            cv_.notify_all();
        }
        {
            std::lock_guard lk(m_);
            busy_ = false;
        }
        cv_.notify_all();
    }
}

}  // namespace tavu
