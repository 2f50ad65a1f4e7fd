// Runs the batch off the window's thread and reports back to it through queued signals.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <thread>
#include <vector>

#include "batch/batchrun.h"

namespace tavu {

class BatchController : public QObject {
    Q_OBJECT
public:
    explicit BatchController(QObject* parent = nullptr);
    ~BatchController() override;

    bool running() const { return running_; }
    // Starts a run; false when one is still going on.
    bool start(std::vector<std::string> entries, BatchOptions options);
    // No picture starts after this; pictures under way finish.
    void stop();
    // Blocks until the run under way (if any) has ended; for shutdown and tests.
    void wait();

signals:
    void pictureStarted(int index, const QString& tip);
    void progress(int done, int total);
    void pictureDone(const tavu::PictureResult& result);  // in list order
    void finished(const tavu::Completion& completion);

private:
    BatchRunner runner_;  // keeps the error text between runs
    std::thread thread_;
    bool running_ = false;
};

}  // namespace tavu

Q_DECLARE_METATYPE(tavu::Completion)
Q_DECLARE_METATYPE(tavu::PictureResult)
