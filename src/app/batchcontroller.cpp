#include "app/batchcontroller.h"

#include <QMetaObject>

namespace tavu {

namespace {
class Relay final : public BatchObserver {
public:
    explicit Relay(BatchController* c) : c_(c) {}
    void pictureStarted(size_t index, const std::string& tip) override {
        const QString t = QString::fromStdString(tip);
        QMetaObject::invokeMethod(c_, [c = c_, index, t] { emit c->pictureStarted(int(index), t); },
                                  Qt::QueuedConnection);
    }
    void pictureFinished(const PictureResult& r, size_t done, size_t total) override {
        QMetaObject::invokeMethod(
            c_,
            [c = c_, r, done, total] {
                emit c->pictureDone(r);
                emit c->progress(int(done), int(total));
            },
            Qt::QueuedConnection);
    }

private:
    BatchController* c_;
};
}  // namespace

BatchController::BatchController(QObject* parent) : QObject(parent) {
    qRegisterMetaType<tavu::Completion>();
    qRegisterMetaType<tavu::PictureResult>();
}

BatchController::~BatchController() {
    stop();
    wait();
}

bool BatchController::start(std::vector<std::string> entries, BatchOptions options) {
    if (running_) return false;
    wait();  // join a thread that has ended but not been joined yet
    running_ = true;
    thread_ = std::thread([this, entries = std::move(entries), options = std::move(options)] {
        Relay relay(this);
        Completion c = runner_.run(entries, options, &relay);
        QMetaObject::invokeMethod(
            this,
            [this, c] {
                running_ = false;
                if (thread_.joinable()) thread_.join();
                emit finished(c);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BatchController::stop() {
    if (running_) runner_.requestStop();  // a stop with no run under way must not stop the next one
}

void BatchController::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace tavu
