#include "filelist/picturefacts.h"

#include <sys/stat.h>

#include <QMetaObject>
#include <QTimer>

#include "imageio/render.h"

namespace tavu {

namespace {
constexpr int kDeliveryMs = 50;

PictureFacts ReadFacts(const std::string& path) {
    PictureFacts f;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) f.bytes = uint64_t(st.st_size);
    f.readable = ReadPictureSize(path, f.width, f.height);
    return f;
}
}  // namespace

FactsReader::FactsReader(QObject* parent) : QObject(parent) {
    for (int i = 0; i < 2; ++i) threads_.emplace_back([this] { loop(); });
}

FactsReader::~FactsReader() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
    }
    cv_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void FactsReader::want(const std::vector<std::string>& paths) {
    {
        std::lock_guard lk(m_);
        for (const std::string& p : paths)
            if (!known_.count(p) && queued_.insert(p).second) queue_.push_back(p);
    }
    cv_.notify_all();
}

void FactsReader::wantFirst(const std::string& path) {
    {
        std::lock_guard lk(m_);
        if (known_.count(path)) return;
        queued_.insert(path);  // it may also still sit in queue_: read once, whichever comes first
        first_.push_back(path);
        // Only the newest screenful matters: rows scrolled past long ago wait their turn again.
        while (first_.size() > 256) first_.pop_front();
    }
    cv_.notify_all();
}

const PictureFacts* FactsReader::find(const std::string& path) const {
    const auto it = known_.find(path);
    return it == known_.end() ? nullptr : &it->second;
}

size_t FactsReader::pending() const {
    std::lock_guard lk(m_);
    return queued_.size() + outbox_.size() + size_t(busy_);
}

void FactsReader::waitIdle() {
    {
        std::unique_lock lk(m_);
        cv_.wait(lk, [this] { return queued_.empty() && busy_ == 0; });
    }
    deliver();
}

void FactsReader::loop() {
    for (;;) {
        std::string path;
        {
            std::unique_lock lk(m_);
            cv_.wait(lk, [this] { return quit_ || !first_.empty() || !queue_.empty(); });
            if (quit_) return;
            std::deque<std::string>& from = first_.empty() ? queue_ : first_;
            path = std::move(from.front());
            from.pop_front();
            if (!queued_.erase(path)) continue;  // already read through the other queue
            ++busy_;
        }
        PictureFacts facts = ReadFacts(path);
        bool schedule = false;
        {
            std::lock_guard lk(m_);
            outbox_.emplace_back(std::move(path), facts);
            --busy_;
            schedule = !deliveryDue_;
            deliveryDue_ = true;
        }
        cv_.notify_all();
        // One delivery at a time, a little later, carrying everything read until then.
        if (schedule)
            QMetaObject::invokeMethod(
                this, [this] { QTimer::singleShot(kDeliveryMs, this, [this] { deliver(); }); }, Qt::QueuedConnection);
    }
}

void FactsReader::deliver() {
    std::vector<std::pair<std::string, PictureFacts>> batch;
    {
        std::lock_guard lk(m_);
        batch.swap(outbox_);
        deliveryDue_ = false;
        for (auto& [path, facts] : batch) known_[path] = facts;
    }
    if (!batch.empty()) emit factsRead();
}

}  // namespace tavu
