// What the list shows of each picture: its pixel size and file size, read from the file's header
// off the window's thread. Every listed picture is read in the background, the rows on screen
// first; results reach the window in batches, so a list of ten thousand stays responsive.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tavu {

struct PictureFacts {
    bool readable = false;  // the header could be read
    int width = 0, height = 0;  // upright
    uint64_t bytes = 0;
};

class FactsReader : public QObject {
    Q_OBJECT
public:
    explicit FactsReader(QObject* parent = nullptr);
    ~FactsReader() override;

    // Queues pictures to be read after those already waiting; pictures read before are not read again.
    void want(const std::vector<std::string>& paths);
    // Moves a picture ahead of every other waiting one: it is on screen.
    void wantFirst(const std::string& path);
    // What is known of a picture, on the window's thread; null until it has been read.
    const PictureFacts* find(const std::string& path) const;
    // Pictures waiting to be read, or read but not yet handed to the window.
    size_t pending() const;
    // Blocks until every queued picture is read, then hands the facts over; for tests and benchmarks.
    void waitIdle();

signals:
    // A batch of facts has arrived (at most every 50 ms while reading).
    void factsRead();

private:
    void loop();
    void deliver();

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::string> queue_, first_;
    std::unordered_set<std::string> queued_;                   // in queue_ or first_, not yet read
    std::vector<std::pair<std::string, PictureFacts>> outbox_;  // read, not yet delivered
    bool deliveryDue_ = false, quit_ = false;
    int busy_ = 0;  // pictures being read now
    std::unordered_map<std::string, PictureFacts> known_;  // the window thread's own
    std::vector<std::thread> threads_;  // two readers: a header read mostly waits for the disk and the loader
};

}  // namespace tavu
