#include "batch/batchrun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <shared_mutex>
#include <thread>

#include "imageio/encode.h"
#include "imageio/exifcopy.h"
#include "imageio/tempfiles.h"
#include "imageio/render.h"
#include "imageio/vipsinit.h"
#include "platform/allocator.h"

namespace tavu {

namespace {
std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

ResultFormat ResultFormatOf(const std::string& entry, const BatchOptions& o) {
    ResultFormat out;
    if (o.format == kKeepFormatChoice) {
        const KeepFormat k = KeepSourceFormat(entry);
        out.bitmapWriter = k.bitmapWriter;
        out.asJpeg = k.asJpeg;
        out.ext = k.extension;
    } else if (LowerAscii(o.format) == "bmp") {
        out.bitmapWriter = true;
        out.ext = "bmp";
    } else {
        out.ext = o.format;
    }
    return out;
}

std::string EncodeRefusal(const Canvas& canvas, const ResultFormat& f) {
    if (canvas.empty()) return "没有可保存的图片";
    if (!f.bitmapWriter && !HasEncoder(f.ext)) return "不支持的输出格式\"" + f.ext + "\"";
    return {};
}

bool EncodeForRun(const Canvas& canvas, const std::string& entry, const std::string& path, const ResultFormat& f,
                  const BatchOptions& o, SizeInfo& info, WriteError& err) {
    info = {};
    if (f.bitmapWriter) return EncodeToFile(canvas, path, f.ext, o.quality, kTiffColourDepth, kTiffNoCompression, &err);
    EncodeChoice choice = EncodeChoiceOf(o);
    if (o.keepExif) choice.exif = ResultExif(entry, o.keepGps);  // the kept shooting data counts towards the size
    return EncodeResult(canvas, path, f.ext, choice, info, err);
}

bool EncodeStraightForRun(const std::string& entry, const RenderSettings& settings, const std::string& path,
                          const ResultFormat& f, const BatchOptions& o, int& width, int& height) {
    if (f.bitmapWriter || !HasEncoder(f.ext) || SizeSearchApplies(f.ext, o.sizeTarget)) return false;
    EncodeChoice choice = EncodeChoiceOf(o);
    if (o.keepExif) choice.exif = ResultExif(entry, o.keepGps);
    return EncodeUnchangedRender(entry, settings, path, f.ext, EncodeOptionsOf(choice), width, height);
}

EncodeChoice EncodeChoiceOf(const BatchOptions& o) {
    EncodeChoice c;
    c.quality = o.quality;
    c.sizeTarget = o.sizeTarget;
    c.sizePad = o.sizePad;
    c.dpi = o.dpi;
    c.pixelSizeFree = o.render.sizeMode == kSizeWidthLimit || o.render.sizeMode == kSizeOriginal;
    c.progressive = o.progressive;
    c.subsample = o.subsample;
    c.webpLossless = o.webpLossless;
    return c;
}

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

// The path the naming rule gives an entry: in the output folder, or with the folder structure
// kept, in its subfolder there.
std::string WantedPath(size_t index, const std::string& entry, const BatchOptions& o, const ResultFormat& out) {
    if (!o.keepTree || index >= o.entryBases.size()) return ResultPath(o.naming, entry, int(index), out.ext);
    NamingRule rule = o.naming;
    rule.outDir = TreeOutDir(o.naming.outDir, o.entryBases[index], entry);
    return ResultPath(rule, entry, int(index), out.ext);
}

std::string FolderOfPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// One picture rendered and encoded, waiting for its turn to be renamed into place.
struct Pending {
    PictureResult result;
    std::string temp;
    std::string wanted;      // the name the naming rule gave (for a further " (n)")
    bool noReplace = false;  // the rename must not replace a file
};

// With the folder structure kept, a result's subfolder is made when its first result is saved.
bool MakeResultFolder(const std::string& output, const BatchOptions& o, WriteError& err) {
    if (!o.keepTree) return true;
    std::error_code ec;
    std::filesystem::create_directories(FolderOfPath(output), ec);
    if (ec) err = {ec.value(), WriteErrorText(ec.value())};
    return !ec;
}

// A picture whose drawing holds more than this (a camera photo at about its own size) is big:
// no more of those at once than there are cores, whatever the number of pictures at once.
constexpr uint64_t kBigPicture = uint64_t(32) << 20;

constexpr const char* kSourceProtected = "结果文件与原图片是同一个文件,为保护原图片未保存";
constexpr const char* kOutOfMemory = "内存不足";

// The JPEG or lossy WebP quality a result was encoded with; 0 for the other formats.
int ResultQuality(const ResultFormat& out, const BatchOptions& o, const SizeInfo& size) {
    const std::string lower = LowerAscii(out.ext);
    if (lower == "jpg" || lower == "jpeg") return size.searched ? size.quality : std::clamp(o.quality, 1, 100);  // 0 acts as 1
    if (lower == "webp" && (size.searched || !o.webpLossless)) return size.searched ? size.quality : std::clamp(o.quality, 0, 100);
    return 0;
}

// The straight way of Process for a picture saved as decoded; false leaves nothing behind.
bool EncodeUnchanged(Pending& p, const std::string& entry, const RenderSettings& settings, const BatchOptions& o,
                     const SourceFiles& sources, const ResultFormat& out) {
    PictureResult& r = p.result;
    if (out.bitmapWriter || !HasEncoder(out.ext) || SizeSearchApplies(out.ext, o.sizeTarget) ||
        sources.contains(r.output))
        return false;
    WriteError err;
    std::string temp;
    if (!MakeResultFolder(r.output, o, err) || !MakeTempBeside(r.output, temp, err)) return false;
    int w = 0, h = 0;
    if (!EncodeStraightForRun(entry, settings, temp, out, o, w, h) || (o.keepMTime && !CopyFileTimes(entry, temp))) {
        DropTemp(temp);
        return false;
    }
    r.width = w;
    r.height = h;
    r.quality = ResultQuality(out, o, r.size);
    r.silent = out.bitmapWriter;
    p.temp = temp;
    return true;
}

Pending Process(size_t index, const std::string& entry, const BatchOptions& o, const SourceFiles& sources,
                const PlannedName& plan) {
    Pending p;
    PictureResult& r = p.result;
    r.index = index;
    r.source = entry;
    r.bytesIn = FileSize(entry);
    r.notice = plan.notice;
    if (plan.skip) {
        r.skipped = true;
        return p;
    }
    const ResultFormat out = ResultFormatOf(entry, o);
    r.output = plan.path;
    p.wanted = WantedPath(index, entry, o, out);
    p.noReplace = plan.noReplace;

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
    // A picture saved as it is decoded goes straight from the decoder into its temporary file: the
    // same file, without the canvas and its copies. Anything else, or any failure, goes the usual way.
    if (EncodeUnchanged(p, entry, *settings, o, sources, out)) return p;

    // Render. Size texts that are not numbers leave the canvas empty; the save then fails.
    Canvas canvas;
    const DrawOutcome drawn = RenderPicture(canvas, entry, *settings);
    if (drawn.status == DrawOutcome::DrawFailed) {
        r.failureLine = ErrorLog::DrawFailureLine(entry, drawn.errorNumber, drawn.errorText);
        return p;
    }
    if (drawn.status == DrawOutcome::SurfaceFailed) {
        r.failureLine = ErrorLog::SurfaceFailureLine(entry, drawn.errorNumber, drawn.errorText);
        return p;
    }
    r.width = canvas.width();
    r.height = canvas.height();
    if (sources.contains(r.output)) {
        r.failureLine = ErrorLog::SaveFailureLine(entry, kSourceProtected);
        return p;
    }

    // Encode into a temporary file beside the result.
    WriteError err;
    std::string temp;
    bool ok = false;
    const std::string refusal = EncodeRefusal(canvas, out);
    if (!refusal.empty()) {
        err.text = refusal;
    } else if (MakeResultFolder(r.output, o, err) && MakeTempBeside(r.output, temp, err)) {
        ok = EncodeForRun(canvas, entry, temp, out, o, r.size, err);
        // The result appears with the source's time (the rename keeps it).
        if (ok && o.keepMTime && !CopyFileTimes(entry, temp)) {
            ok = false;
            err.text = "无法设置结果文件的修改时间";
        }
        if (!ok) DropTemp(temp);
        if (ok) r.quality = ResultQuality(out, o, r.size);
        if (ok && r.size.scaled) {
            r.width = r.size.width;
            r.height = r.size.height;
        }
    }
    if (!ok) {
        r.failureLine = ErrorLog::SaveFailureLine(entry, err.text);
        r.silent = out.bitmapWriter;
        return p;
    }
    p.temp = temp;
    r.silent = out.bitmapWriter;  // only matters if the rename fails
    return p;
}

// Whatever goes wrong inside one picture stays with that picture: one failure line.
Pending ProcessGuarded(size_t index, const std::string& entry, const BatchOptions& o, const SourceFiles& sources,
                       const PlannedName& plan) {
    std::string why;
    try {
        return Process(index, entry, o, sources, plan);
    } catch (const std::bad_alloc&) {
        why = kOutOfMemory;
    } catch (const std::exception& e) {
        why = std::string("处理时发生意外错误:") + e.what();
    } catch (...) {
        why = "处理时发生意外错误";
    }
    Pending p;
    p.result.index = index;
    p.result.source = entry;
    p.result.failureLine = ErrorLog::SaveFailureLine(entry, why);
    return p;
}

// Renames the finished picture into place; a name taken meanwhile (where nothing may be
// replaced) moves on to the next free " (n)".
void Commit(Pending& p) {
    PictureResult& r = p.result;
    WriteError err;
    for (int n = 1;; ++n) {
        if (CommitTemp(p.temp, r.output, err, p.noReplace)) {
            r.written = true;
            r.bytesOut = FileSize(r.output);
            return;
        }
        if (err.number != EEXIST || !p.noReplace || n > 10000) break;
        r.output = NumberedName(p.wanted, n);
        r.notice = RenamedNotice(r.source, r.output, false);
    }
    DropTemp(p.temp);
    r.failureLine = ErrorLog::SaveFailureLine(r.source, err.text);
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

    // Leftovers of runs that were killed (never those of a run still going on).
    RemoveStaleTemps(o.naming.outDir);
    const SourceFiles sources(entries);
    std::vector<std::string> wanted(n);
    bool asJpeg = false;
    for (size_t i = 0; i < n; ++i) {
        const ResultFormat out = ResultFormatOf(entries[i], o);
        wanted[i] = WantedPath(i, entries[i], o, out);
        asJpeg = asJpeg || out.asJpeg;
    }
    if (asJpeg) c.formatNotice = kNoticeSavedAsJpeg;
    const std::vector<PlannedName> plan = PlanResultNames(wanted, entries, o.existing);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    // By default one picture more than there are cores: a picture's pipeline waits on its own
    // threads between strips, most of all for small pictures, and the extra one fills those gaps
    // (1,000 small JPEGs: about a tenth sooner). Big pictures still go at most one per core.
    const size_t wantedJobs = o.jobs > 0 ? size_t(o.jobs) : size_t(cores) + 1;
    const int jobs = int(std::clamp<size_t>(wantedJobs, 1, std::max<size_t>(n, 1)));
    const int bigSlots = o.jobs > 0 ? jobs : cores;
    int bigRunning = 0;
    const int threadsBefore = ImageIOThreads();
    SetImageIOThreads(std::max(1, cores / jobs));
    KeepRunBuffers();

    std::mutex m;
    std::condition_variable cv;
    std::shared_mutex heavy;
    std::deque<size_t> started;
    std::vector<std::optional<Pending>> done(n);
    size_t claimed = 0;
    size_t next = 0;  // the next picture to rename into place, in list order
    int running = jobs;

    auto worker = [&] {
        for (;;) {
            size_t i;
            {
                // Keep at most two pictures per worker between taken up and renamed into place:
                // a stop then leaves little undone work and few temporary files.
                std::unique_lock lk(m);
                cv.wait(lk, [&] { return stop_ || claimed >= n || claimed < next + 2 * size_t(jobs); });
                if (stop_ || claimed >= n) break;
                i = claimed++;
                started.push_back(i);
            }
            cv.notify_all();
            // A picture that needs much memory is drawn alone, never beside others.
            const uint64_t needed = plan[i].skip ? 0 : RenderMemoryNeeded(entries[i], o.render);
            const bool alone = needed > DrawAloneAbove();
            const bool big = needed > kBigPicture;
            if (big) {
                std::unique_lock lk(m);
                cv.wait(lk, [&] { return bigRunning < bigSlots; });
                ++bigRunning;
            }
            Pending p;
            if (alone) {
                std::unique_lock big(heavy);
                p = ProcessGuarded(i, entries[i], o, sources, plan[i]);
            } else {
                std::shared_lock small(heavy);
                p = ProcessGuarded(i, entries[i], o, sources, plan[i]);
            }
            {
                std::lock_guard lk(m);
                done[i] = std::move(p);
                if (big) --bigRunning;
            }
            cv.notify_all();
        }
        {
            std::lock_guard lk(m);
            --running;
        }
        cv.notify_all();
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs && n > 0; ++t) threads.emplace_back(worker);
    if (n == 0) running = 0;

    // Report and rename into place on this thread, in list order.
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
            cv.notify_all();
            PictureResult& r = p.result;
            if (!p.temp.empty()) Commit(p);
            if (!r.failureLine.empty() && !r.silent) log_.add(r.failureLine);
            ++c.finished;
            if (r.written) {
                ++c.written;
                c.bytesIn += r.bytesIn;
                c.bytesOut += r.bytesOut;
                if (r.bytesOut > r.bytesIn) c.larger.push_back(r.source);
                if (!r.notice.empty()) ++c.renamed;
            } else if (r.skipped) {
                ++c.skipped;
            } else {
                ++c.failed;
            }
            if ((r.written || r.skipped) && !r.notice.empty()) {
                c.notices.push_back(r.notice);
                c.noticeText += r.notice + "\r\n";
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
    if (!c.formatNotice.empty()) c.resultTip += c.formatNotice;
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
    ReleaseKeptPictureMemory();
    return c;
}

}  // namespace tavu
