#include "batch/batchrun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "imageio/encode.h"
#include "imageio/render.h"
#include "imageio/vipsinit.h"

namespace tavu {

Validation ValidateRun(size_t pictureCount, const BatchOptions& o) {
    Validation v;
    if (pictureCount == 0) {
        v.ok = false;
        v.message = kMsgNoPictures;
        v.addPictures = true;
        return v;
    }
    if ((o.render.heightText == "0" || o.render.widthText == "0") && o.render.sizeMode == o.customIndex) {
        v.ok = false;
        v.message = kMsgZeroSize;
        v.focusWidth = true;
        return v;
    }
    if (o.sizeTarget.minKB && o.sizeTarget.maxKB && *o.sizeTarget.minKB > *o.sizeTarget.maxKB) {
        v.ok = false;
        v.message = kMsgSizeRange;
        return v;
    }
    v.askMinimise = pictureCount > kMinimiseAbove;
    return v;
}

namespace {

// The listed sources as files (device, inode): a result that would land on one is refused,
// whatever spelling, link or case of the path leads there.
class SourceFiles {
public:
    explicit SourceFiles(const std::vector<std::string>& entries) {
        for (const std::string& e : entries) {
            struct stat st {};
            if (::stat(e.c_str(), &st) == 0) ids_.insert({st.st_dev, st.st_ino});
        }
    }
    bool contains(const std::string& path) const {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && ids_.count({st.st_dev, st.st_ino}) != 0;
    }

private:
    std::set<std::pair<dev_t, ino_t>> ids_;
};

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? uint64_t(st.st_size) : 0;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// One picture rendered and encoded, waiting for its turn to be renamed into place.
struct Pending {
    PictureResult result;
    std::string temp;
};

constexpr const char* kSourceProtected = "结果文件与原图片是同一个文件,为保护原图片未保存";

Pending Process(size_t index, const std::string& entry, const BatchOptions& o, const SourceFiles& sources) {
    Pending p;
    PictureResult& r = p.result;
    r.index = index;
    r.source = entry;
    r.bytesIn = FileSize(entry);

    // Render. Size texts that are not numbers leave the canvas empty; the save then fails.
    Canvas canvas;
    RenderSettings cropped;
    const RenderSettings* settings = &o.render;
    if (index < o.entryCrops.size() && o.entryCrops[index].w > 0 && o.entryCrops[index].h > 0) {
        const IntRect& c = o.entryCrops[index];
        cropped = o.render;
        cropped.cropX = c.x;
        cropped.cropY = c.y;
        cropped.cropW = c.w;
        cropped.cropH = c.h;
        settings = &cropped;
    }
    const DrawOutcome out = RenderPicture(canvas, entry, *settings);
    if (out.status == DrawOutcome::DrawFailed) {
        r.failureLine = ErrorLog::DrawFailureLine(entry, out.errorNumber, out.errorText);
        return p;
    }
    if (out.status == DrawOutcome::SurfaceFailed) {
        r.failureLine = ErrorLog::SurfaceFailureLine(entry, out.errorNumber, out.errorText);
        return p;
    }

    // Choose the writer.
    bool bitmapWriter = false;
    std::string ext;
    const std::string format = LowerAscii(o.format);
    if (o.format == kKeepFormatChoice) {
        const KeepFormat k = KeepSourceFormat(entry);
        bitmapWriter = k.bitmapWriter;
        ext = k.extension;
    } else if (format == "bmp") {
        bitmapWriter = true;
        ext = "bmp";
    } else {
        ext = o.format;
    }
    r.output = ResultPath(o.naming, entry, int(index), ext);
    if (sources.contains(r.output)) {
        r.failureLine = ErrorLog::SaveFailureLine(entry, kSourceProtected);
        return p;
    }

    // Encode into a temporary file beside the result.
    WriteError err;
    std::string temp;
    bool ok = false;
    if (canvas.empty()) {
        err.text = "没有可保存的图片";
    } else if (!bitmapWriter && !HasEncoder(ext)) {
        err.text = "不支持的输出格式\"" + ext + "\"";
    } else if (MakeTempBeside(r.output, temp, err)) {
        EncodeChoice choice;
        choice.quality = o.quality;
        choice.sizeTarget = o.sizeTarget;
        choice.sizePad = o.sizePad;
        choice.dpi = o.dpi;
        choice.pixelSizeFree = o.render.sizeMode == kSizeWidthLimit || o.render.sizeMode == kSizeOriginal;
        ok = bitmapWriter ? EncodeToFile(canvas, temp, ext, o.quality, kTiffColourDepth, kTiffNoCompression, &err)
                          : EncodeResult(canvas, temp, ext, choice, r.size, err);
        if (!ok) ::unlink(temp.c_str());
    }
    if (!ok) {
        r.failureLine = ErrorLog::SaveFailureLine(entry, err.text);
        r.silent = bitmapWriter;
        return p;
    }
    p.temp = temp;
    r.silent = bitmapWriter;  // only matters if the rename fails
    return p;
}

}  // namespace

Completion BatchRunner::run(const std::vector<std::string>& entries, const BatchOptions& o,
                            BatchObserver* observer) {
    Completion c;
    const size_t n = entries.size();
    c.total = n;
    c.outputFolder = o.naming.outDir;
    // A stop asked for before the run got going counts: the run then starts no picture. (Each run
    // clears the request when it ends.)

    const SourceFiles sources(entries);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = int(std::clamp<size_t>(o.jobs > 0 ? size_t(o.jobs) : size_t(cores), 1, std::max<size_t>(n, 1)));
    const int threadsBefore = ImageIOThreads();
    SetImageIOThreads(std::max(1, cores / jobs));

    std::mutex m;
    std::condition_variable cv;
    std::deque<size_t> started;
    std::vector<std::optional<Pending>> done(n);
    size_t claimed = 0;
    int running = jobs;

    auto worker = [&] {
        for (;;) {
            size_t i;
            {
                std::lock_guard lk(m);
                if (stop_ || claimed >= n) break;
                i = claimed++;
                started.push_back(i);
            }
            cv.notify_one();
            Pending p = Process(i, entries[i], o, sources);
            {
                std::lock_guard lk(m);
                done[i] = std::move(p);
            }
            cv.notify_one();
        }
        {
            std::lock_guard lk(m);
            --running;
        }
        cv.notify_one();
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs && n > 0; ++t) threads.emplace_back(worker);
    if (n == 0) running = 0;

    // Report and rename into place on this thread, in list order.
    size_t next = 0;
    std::unique_lock lk(m);
    for (;;) {
        cv.wait(lk, [&] { return !started.empty() || (next < n && done[next]) || running == 0; });
        while (!started.empty()) {
            const size_t i = started.front();
            started.pop_front();
            lk.unlock();
            if (observer) observer->pictureStarted(i, kTipProcessing + entries[i]);
            lk.lock();
        }
        while (next < n && done[next]) {
            Pending p = std::move(*done[next]);
            done[next].reset();
            ++next;
            lk.unlock();
            PictureResult& r = p.result;
            if (!p.temp.empty()) {
                WriteError err;
                if (CommitTemp(p.temp, r.output, err)) {
                    r.written = true;
                    r.bytesOut = FileSize(r.output);
                } else {
                    r.failureLine = ErrorLog::SaveFailureLine(r.source, err.text);
                }
            }
            if (!r.failureLine.empty() && !r.silent) log_.add(r.failureLine);
            ++c.finished;
            if (r.written) {
                ++c.written;
                c.bytesIn += r.bytesIn;
                c.bytesOut += r.bytesOut;
            } else {
                ++c.failed;
            }
            if (observer) observer->pictureFinished(r, c.finished, n);
            lk.lock();
        }
        if (running == 0 && started.empty() && next >= claimed) break;
    }
    lk.unlock();
    for (std::thread& t : threads) t.join();
    SetImageIOThreads(threadsBefore);

    c.stopped = claimed < n;
    // A stopped run is not finished: it says so, and the output folder is not opened as if it were.
    c.openOutputFolder = o.autoOpenFolder != 0 && !c.stopped;
    if (c.stopped) {
        c.resultTip = "【提示】已停止。已保存" + std::to_string(c.written) + "张图片,未处理" +
                      std::to_string(c.total - c.finished) + "张。";
    } else {
        c.resultTip = kTipDone;
    }
    if (log_.flag() && o.saveErrorLog != 0) {
        c.errorLogPath = o.naming.outDir + "/" + kErrorLogFileName;
        WriteError error;
        c.errorLogWritten = WriteFileAtomic(c.errorLogPath, log_.fileContents(), error);
        if (c.errorLogWritten) {
            c.errorLogQuestion = "在处理过程中发生错误,这些错误已经保存到" + c.errorLogPath + "。\r\n现在查看错误记录吗？";
            c.resultTip = std::string(kTipDoneWithErrors) + c.resultTip;
        } else {
            c.resultTip = "请注意,有" + std::to_string(c.failed) + "张图片处理失败,错误记录无法保存到" + c.errorLogPath +
                          "。" + c.resultTip;
        }
    } else if (c.failed > 0) {
        // Without the error log the failures are still named: a run with failures is no success.
        c.resultTip = "请注意,有" + std::to_string(c.failed) + "张图片处理失败。" + c.resultTip;
    }
    c.errorText = log_.text();
    log_.endRun();
    stop_ = false;
    return c;
}

}  // namespace tavu
