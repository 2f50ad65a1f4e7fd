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

Previewer::Previewer(QObject* parent) : QObject(parent), thread_([this] { loop(); }) {}

Previewer::~Previewer() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
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
    cv_.wait(lk, [this] { return !next_ && !busy_; });
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
        // Then what saving it would give, unless the picture is already out of date.
        bool superseded;
        {
            std::lock_guard lk(m_);
            superseded = next_.has_value();
        }
        if (job.save && out.ok() && !superseded) {
            const SaveEstimate e = EstimateSave(canvas, job.source, *job.save);
            QMetaObject::invokeMethod(
                this,
                [this, id = job.id, e] {
                    if (e.size.searched)
                        emit sizeFound(id, QString::fromStdString(e.ok ? SizeInfoText(e.size) : e.error));
                    emit estimated(id, e);
                },
                Qt::QueuedConnection);
        }
        {
            std::lock_guard lk(m_);
            busy_ = false;
        }
        cv_.notify_all();
    }
}

}  // namespace tavu
