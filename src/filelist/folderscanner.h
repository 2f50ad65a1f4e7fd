// Lists a folder's pictures off the window's thread. Cancelling keeps what was found so far; the
// scan's thread is joined when the scanner goes, so nothing outlives the window.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tavu {

class FolderScanner : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FolderScanner() override;
    // Starts a scan; false while one is under way.
    bool start(const QString& folder, bool recursive);
    void cancel();
    bool running() const { return running_; }

signals:
    void progress(const QString& at);  // the folder or file being looked at
    void finished(std::shared_ptr<std::vector<std::string>> found);

private:
    bool running_ = false;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread thread_;
};

}  // namespace tavu
