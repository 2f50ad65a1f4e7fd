#include "filelist/folderscanner.h"

#include <QCoreApplication>
#include <QPointer>

#include "batch/picname.h"
#include "filelist/pathtext.h"

namespace tavu {

FolderScanner::~FolderScanner() {
    cancel();
    if (thread_.joinable()) thread_.join();
}

bool FolderScanner::start(const QString& folder, bool recursive) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();  // the last scan has reported already
    running_ = true;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto cancel = cancel_;
    QPointer<FolderScanner> self(this);
    thread_ = std::thread([self, cancel, folder = PathBytes(folder), recursive] {
        FolderScan scan;
        scan.recursive = recursive;
        scan.hiddenFiles = recursive;  // the scan with subfolders lists hidden files too
        scan.progress = [self, cancel](const std::string& at) {
            const QString f = ReadablePath(PathText(at));
            QMetaObject::invokeMethod(qApp, [self, f] {
                if (self && self->running_) emit self->progress(f);
            });
            return !cancel->load();
        };
        auto found = std::make_shared<std::vector<std::string>>(ScanFolderPictures(folder, scan));
        QMetaObject::invokeMethod(qApp, [self, found] {
            if (!self) return;
            self->running_ = false;
            emit self->finished(found);
        });
    });
    return true;
}

void FolderScanner::cancel() {
    if (cancel_) cancel_->store(true);
}

}  // namespace tavu
