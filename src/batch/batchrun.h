// The batch run: every listed picture, in list order, rendered onto a canvas and saved under
// its result name. Pictures may be processed several at once; names, results and the error text
// are exactly those of the one-at-a-time run, and results are renamed into place in list order.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/errortext.h"
#include "batch/naming.h"
#include "batch/picturerender.h"
#include "batch/resultencode.h"
#include "batch/resultnames.h"

namespace tavu {

// The texts of the run's messages.
inline constexpr const char* kMsgNoPictures = "没有添加要处理的图片！";
inline constexpr const char* kMsgZeroSize = "图片尺寸不能为0！";
inline constexpr const char* kMsgSizeRange = "文件大小的最小值不能大于最大值！";
inline constexpr const char* kMsgMinimise =
    "确认最小化吗？\r\n处理这些图片可能需要较长时间。为不干扰您的工作,软件将在最小化状态下运行。";
inline constexpr const char* kTipProcessing = "【提示】正在处理 ";
inline constexpr const char* kTipDone = "【提示】处理完毕！图片已保存到输出文件夹。";
inline constexpr const char* kTipDoneWithErrors = "请注意,在图片处理或上传过程中发生错误。";
inline constexpr const char* kKeepFormatChoice = "原格式";
// Said once by a run that kept the format of pictures whose format cannot be written.
inline constexpr const char* kNoticeSavedAsJpeg = "HEIC、HEIF和AVIF格式无法按原格式保存,这些图片已保存为JPEG。";
// Above this many pictures the window offers to run minimised.
inline constexpr size_t kMinimiseAbove = 100;

struct BatchOptions {
    // How each picture is drawn, turned and given its effect.
    RenderSettings render;
    // A crop rectangle per list entry (source pixels, upright), in list order; an entry beyond
    // the end or an empty rectangle uses render's own crop (normally the whole picture).
    std::vector<IntRect> entryCrops;
    // The size list's index of its last entry, the custom size.
    int customIndex = 2;

    // Output: the format list's text ("原格式", "jpg", "png", "tiff", "bmp", case as listed).
    std::string format = kKeepFormatChoice;
    NamingRule naming;
    int quality = 100;
    // JPEG results: a file-size range (KB) searched for, padding to its lower bound; and the
    // resolution written into JPEG, PNG and TIFF results (0: none).
    SizeTarget sizeTarget;
    bool sizePad = true;
    int dpi = 0;

    // JPEG progressive and chroma subsampling; lossless WebP (without a file-size range).
    bool progressive = false;
    JpegSubsample subsample = JpegSubsample::Auto;
    bool webpLossless = false;
    // Results keep the source's shooting data (EXIF date, camera, exposure; orientation 1, no
    // thumbnail), also its GPS position; and the source's modification time.
    bool keepExif = false, keepGps = false, keepMTime = false;
    // Each entry's base folder, in list order (empty or beyond the end: none): with keepTree the
    // result goes into the output folder plus the entry's folder relative to its base.
    std::vector<std::string> entryBases;
    bool keepTree = false;

    // An existing file with the result name in a folder that holds no listed source.
    ExistingPolicy existing = ExistingPolicy::Overwrite;

    int16_t autoOpenFolder = 1;  // bAutoODir: non-zero opens the output folder afterwards
    int16_t saveErrorLog = 0;    // bSaveErr: non-zero writes ErrorLog.txt after a run with errors

    int jobs = 0;  // pictures at once; 0 = one more than the number of cores (big ones one per core)
};

struct Validation {
    bool ok = true;
    std::string message;        // the refusal (error icon) when not ok
    bool addPictures = false;   // the list is empty: the window opens the add-pictures chooser
    bool focusWidth = false;    // a zero size: focus goes to the width box
    bool askMinimise = false;   // more than 100 pictures: ask kMsgMinimise (either answer runs)
};
Validation ValidateRun(size_t pictureCount, const BatchOptions& options);
// How the run encodes each result with these options.
EncodeChoice EncodeChoiceOf(const BatchOptions& options);

// How one entry's result is saved: the writer and the extension, from the format choice.
struct ResultFormat {
    bool bitmapWriter = false;
    bool asJpeg = false;  // the kept format cannot be written: JPEG instead
    std::string ext;
};
ResultFormat ResultFormatOf(const std::string& entry, const BatchOptions& options);
// Why a rendered picture cannot be saved in that format ("" when it can).
std::string EncodeRefusal(const Canvas& canvas, const ResultFormat& format);
// Encodes a rendered picture into `path` byte for byte as the run saves it (the caller renames or
// drops the file); `info` says what the size search chose.
bool EncodeForRun(const Canvas& canvas, const std::string& entry, const std::string& path, const ResultFormat& format,
                  const BatchOptions& options, SizeInfo& info, WriteError& err);
// The run's straight way for a picture saved as decoded (drawn with `settings`): encoded into
// `path` from the source itself, without a canvas, as the run saves it; `width` and `height` the
// result's size. False when that way does not apply or fails (`path` may then hold a partial file).
bool EncodeStraightForRun(const std::string& entry, const RenderSettings& settings, const std::string& path,
                          const ResultFormat& format, const BatchOptions& options, int& width, int& height);

struct PictureResult {
    size_t index = 0;
    std::string source;
    std::string output;        // the result path (set whenever a save was attempted)
    bool written = false;
    std::string failureLine;   // what went wrong; also in the error text unless silent
    bool silent = false;       // a bitmap-writer failure: not recorded in the error text
    bool skipped = false;      // an existing result was kept; the picture was not processed
    std::string notice;        // the result was saved under another name, or skipped
    uint64_t bytesIn = 0, bytesOut = 0;
    int width = 0, height = 0; // the result's pixel size (set when it was rendered)
    int quality = 0;           // the JPEG or lossy WebP quality it was encoded with; 0 otherwise
    SizeInfo size;             // what the size search chose (size.searched when it ran)
};

class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // A picture is taken up: the status line shows kTipProcessing + the entry.
    virtual void pictureStarted(size_t /*index*/, const std::string& /*tip*/) {}
    // A picture is finished (in list order); `done` pictures of `total` are finished.
    virtual void pictureFinished(const PictureResult& /*result*/, size_t /*done*/, size_t /*total*/) {}
};

// What the window does when a run is over.
struct Completion {
    bool stopped = false;
    size_t total = 0, finished = 0, written = 0, failed = 0;
    size_t skipped = 0, renamed = 0;   // kept existing results; results saved under a " (n)" name
    std::vector<std::string> notices;  // one line per rename or skip, in list order
    std::string noticeText;            // the same lines, each ending in CR LF
    std::string formatNotice;             // kNoticeSavedAsJpeg when a kept format was not writable
    uint64_t bytesIn = 0, bytesOut = 0;   // of the pictures written
    std::vector<std::string> larger;      // results larger than their source, in list order
    bool openOutputFolder = false;     // bAutoODir was on
    std::string outputFolder;
    bool errorLogWritten = false;      // ErrorLog.txt was written (errorLogPath set whenever it was tried)
    std::string errorLogPath;
    std::string errorLogQuestion;      // non-empty: ask it; Yes opens the log in the text editor
    std::string errorText;             // the error text as the run left it, before it was emptied
    std::string resultTip;             // the tip for the status line
};

class BatchRunner {
public:
    // Runs the whole list. The observer is called on the calling thread only.
    Completion run(const std::vector<std::string>& entries, const BatchOptions& options,
                   BatchObserver* observer = nullptr);
    // Thread-safe: no picture is started after this; pictures under way finish and are saved. A
    // request made before run() starts stops that run at once; run() clears it when it ends.
    void requestStop() { stop_ = true; }
    const ErrorLog& errorLog() const { return log_; }

private:
    std::atomic<bool> stop_{false};
    ErrorLog log_;  // lives as long as the runner: its header belongs to the first run only
};

}  // namespace tavu
