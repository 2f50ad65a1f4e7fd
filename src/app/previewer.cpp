#include "app/previewer.h"

#include <QMetaObject>
#include <algorithm>
#include <vector>

namespace tavu {

QImage CanvasToImage(const Canvas& canvas) {
    if (canvas.empty()) return {};
    const QImage view(canvas.data(), canvas.width(), canvas.height(), qsizetype(canvas.stride()),
                      QImage::Format_RGB888);
    // A deep copy that paints fast; the canvas may go away at once.
    return view.convertToFormat(QImage::Format_RGB32);
}

QImage CanvasToScreenImage(const Canvas& canvas, int maxWidth, int maxHeight) {
    if (canvas.empty()) return {};
    const int w = canvas.width(), h = canvas.height();
    if (maxWidth <= 0 || maxHeight <= 0 || (w <= maxWidth && h <= maxHeight)) return CanvasToImage(canvas);
    // First an average over k×k blocks straight from the canvas (one pass, no full-size copy),
    // leaving between one and two times the wanted size; then a smooth scale of that small picture.
    const int k = std::max(1, std::min(w / maxWidth, h / maxHeight));
    const int bw = w / k, bh = h / k;
    QImage blocks(bw, bh, QImage::Format_RGB32);
    std::vector<uint32_t> sum(size_t(bw) * 3);
    const uint32_t area = uint32_t(k) * uint32_t(k);
    for (int by = 0; by < bh; ++by) {
        std::fill(sum.begin(), sum.end(), 0u);
        for (int y = by * k; y < by * k + k; ++y) {
            const uint8_t* row = canvas.data() + size_t(y) * canvas.stride();
            for (int bx = 0; bx < bw; ++bx) {
                const uint8_t* px = row + size_t(bx) * size_t(k) * 3;
                uint32_t r = 0, g = 0, b = 0;
                for (int i = 0; i < k; ++i, px += 3) {
                    r += px[0];
                    g += px[1];
                    b += px[2];
                }
                sum[size_t(bx) * 3] += r;
                sum[size_t(bx) * 3 + 1] += g;
                sum[size_t(bx) * 3 + 2] += b;
            }
        }
        auto* out = reinterpret_cast<QRgb*>(blocks.scanLine(by));
        for (int bx = 0; bx < bw; ++bx)
            out[bx] = qRgb(int((sum[size_t(bx) * 3] + area / 2) / area), int((sum[size_t(bx) * 3 + 1] + area / 2) / area),
                           int((sum[size_t(bx) * 3 + 2] + area / 2) / area));
    }
    // Exactly the size the whole canvas fitted into the limits has, so that points on the preview map
    // back onto the canvas as they should.
    const QSize fitted = QSize(w, h).scaled(maxWidth, maxHeight, Qt::KeepAspectRatio);
    if (blocks.size() == fitted) return blocks;
    return blocks.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
        const SaveEstimate e = EstimateSave(*job.canvas, job.source, job.settings, job.save);
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
        const QImage image = CanvasToScreenImage(canvas, job.maxWidth, job.maxHeight);
        const QSize canvasSize(canvas.width(), canvas.height());
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
                nextEstimate_ = EstimateJob{job.id, job.source, job.settings,
                                            std::make_shared<const Canvas>(std::move(canvas)), std::move(*job.save)};
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
