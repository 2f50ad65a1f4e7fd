// Lists a folder's pictures off the window's thread. Cancelling keeps what was found so far.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tavu {

class FolderScanner : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
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
};

}  // namespace tavu
