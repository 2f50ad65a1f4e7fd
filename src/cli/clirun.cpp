#include "cli/clirun.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>

#include "batch/batchrun.h"
#include "batch/picname.h"
#include "batch/report.h"
#include "batch/savings.h"
#include "batch/sizepresets.h"
#include "cli/cliargs.h"
#include "version.h"
#include "imageio/decorate.h"
#include "imageio/render.h"
#include "imageio/tempfiles.h"
#include "imageio/vipsinit.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace fs = std::filesystem;

namespace tavu {

namespace {

std::atomic<BatchRunner*> g_running{nullptr};
std::atomic<int> g_signals{0};

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a logout, a closing terminal): the first stops the run
// after the pictures under way, as the stop button does; the next removes the temporary files of
// those pictures and ends at once. Only async-signal-safe calls here.
extern "C" void OnStopSignal(int sig) {
    if (g_signals.fetch_add(1) == 0) {
        if (BatchRunner* r = g_running.load()) r->requestStop();
        return;
    }
    RemoveTempsInProgress();
    ::_exit(128 + sig);
}

// Installs the handlers for as long as it lives; the ones before come back afterwards.
class StopSignals {
public:
    StopSignals() {
        g_signals = 0;
        struct sigaction sa {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &sa, &old_[i]);
    }
    ~StopSignals() {
        // After a stop signal, a further one still ends the program the same way (with its
        // exit code), even when it arrives after the run has wound up.
        if (g_signals.load() > 0) return;
        for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &old_[i], nullptr);
    }

private:
    static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction old_[3];
};

std::string Megabytes(uint64_t bytes) {
    char buf[32];
    if (bytes >= 1024 * 1024) std::snprintf(buf, sizeof buf, "%.1f MB", bytes / (1024.0 * 1024.0));
    else std::snprintf(buf, sizeof buf, "%.1f KB", bytes / 1024.0);
    return buf;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) return path;
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

class CliObserver final : public BatchObserver {
public:
    CliObserver(std::ostream& out, std::ostream& err, bool progress, bool quiet, CsvReport* report)
        : out_(out), err_(err), progress_(progress), quiet_(quiet), report_(report) {}
    void pictureFinished(const PictureResult& r, size_t done, size_t total) override {
        if (report_) report_->add(r);
        if (r.written && r.size.searched && !quiet_) {
            if (shown_) err_ << "\r\033[K" << std::flush;
            out_ << r.output << ": " << SizeInfoText(r.size) << "\n" << std::flush;
            shown_ = false;
        }
        const bool notice = !r.notice.empty() && (r.written || r.skipped) && !quiet_;
        if (!r.failureLine.empty() || notice) {
            if (shown_) err_ << "\r\033[K";
            const std::string& line = r.failureLine.empty() ? r.notice : r.failureLine;
            err_ << line << "\n";
            shown_ = false;
        }
        if (progress_) {
            err_ << "\r进度:" << done << "/" << total << std::flush;
            shown_ = true;
        }
    }
    void finish() {
        if (shown_) err_ << "\n";
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool progress_, quiet_;
    CsvReport* report_;
    bool shown_ = false;
};

// The border's file: a name in the program's bk folder or among the borders the user added, or
// a path to a PNG. Empty when none exists; `names` then lists the borders there are.
std::string FindBorder(const std::string& name, const CliEnvironment& env, std::vector<std::string>& names) {
    std::vector<fs::path> folders{fs::path(env.programDir) / "bk"};
    if (!env.addedBordersDir.empty() && fs::path(env.addedBordersDir) != folders.front())
        folders.push_back(env.addedBordersDir);
    std::error_code ec;
    for (const fs::path& folder : folders) {
        const fs::path file = folder / (name + ".png");
        if (fs::is_regular_file(file, ec)) return file.string();
    }
    if (fs::is_regular_file(name, ec)) return name;
    for (const fs::path& folder : folders) {
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string file = it->path().filename().string();
            std::string ext = file.size() > 4 ? file.substr(file.size() - 4) : "";
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            if (ext == ".png") names.push_back(file.substr(0, file.size() - 4));
        }
        ec.clear();
    }
    std::sort(names.begin(), names.end());
    return {};
}

// Fills the border and watermarks from the flags; font, size, colour and transparency not given
// come from the stored settings, the styles only from the flags. False (with the message in
// `error`) when a file cannot be used.
bool SetDecorations(const CliArgs& a, const Settings& s, const CliEnvironment& env, Decorations& d,
                    std::string& error) {
    if (a.border) {
        std::vector<std::string> names;
        d.borderFile = FindBorder(*a.border, env, names);
        if (d.borderFile.empty()) {
            error = "找不到边框“" + *a.border + "”。";
            if (names.empty()) {
                error += "bk 文件夹中没有边框。";
            } else {
                error += "可选:";
                for (const std::string& n : names) error += " " + n;
            }
            return false;
        }
        d.borderFile = Absolute(d.borderFile);
        int w, h;
        if (!ReadPictureSize(d.borderFile, w, h)) {
            error = "边框图片无法读取: " + d.borderFile;
            return false;
        }
    }
    if (a.watermark) {
        d.picture.on = true;
        d.picture.file = Absolute(*a.watermark);
        d.picture.opacity = (a.opacity ? *a.opacity : s.iuSYAlpha) / 100.0;
        d.picture.scale = a.watermarkScale ? *a.watermarkScale : 1.0;
        d.picture.pos = a.watermarkPos ? *a.watermarkPos : Position{Position::TopRight};
        int w, h;
        std::string why;
        if (!WatermarkPictureSize(d.picture, w, h, &why)) {
            error = why;
            return false;
        }
    }
    if (a.text) {
        d.text.on = true;
        d.text.text = *a.text;
        d.text.font = a.font ? *a.font : s.sFont;
        d.text.sizePt = a.fontSize ? *a.fontSize : std::clamp<int>(s.iSize, 1, kMaxTextSizePt);
        d.text.color = a.color ? *a.color : uint32_t(s.lColor) & 0xFFFFFF;
        d.text.bold = a.bold;
        d.text.italic = a.italic;
        d.text.underline = a.underline;
        d.text.pos = a.textPos ? *a.textPos : Position{Position::Centre};
    }
    return true;
}

}  // namespace

void StopRunningBatch() {
    if (BatchRunner* r = g_running.load()) r->requestStop();
}

CliEnvironment RealCliEnvironment() {
    static IniSettingsStore store(DefaultSettingsPath());
    CliEnvironment env;
    env.settings = &store;
    env.programDir = ProgramDir();
    env.addedBordersDir = AddedBordersDir();
    env.presetsFile = ShippedFile("size.ini");
    env.defaultOutputDir = WorkDir() + "/zp";
    env.progressToTerminal = ::isatty(STDERR_FILENO) != 0;
    return env;
}

int RunBatchCli(const std::vector<std::string>& args, const CliEnvironment& env, std::ostream& out,
                std::ostream& err) {
    std::string error;
    const std::optional<CliArgs> parsed = ParseCliArgs(args, error);
    if (!parsed) {
        err << "tavuzip: " << error << "\n请用 tavuzip --batch --help 查看用法。\n";
        return 2;
    }
    const CliArgs& a = *parsed;
    if (a.help) {
        out << CliHelpText();
        return 0;
    }
    if (a.version) {
        out << "Tavu照片压缩 " << kVersion << " (libvips " << ImageIOVersion() << ")\n";
        return 0;
    }

    // Stored defaults; flags override them.
    Settings s;
    const MemorySettingsStore noStore;  // without a store every setting takes its default
    LoadSettings(env.settings ? *env.settings : noStore, env.programDir, Today(), s);

    BatchOptions o;
    const std::vector<SizePreset> presets = LoadSizePresets(env.presetsFile);
    o.customIndex = int(presets.size()) + 2;
    switch (a.size) {
        case CliArgs::Size::WidthLimit:
            o.render.sizeMode = kSizeWidthLimit;
            o.render.widthText = a.width;
            o.render.heightText = "0";
            break;
        case CliArgs::Size::Original:
            o.render.sizeMode = kSizeOriginal;
            o.render.widthText = o.render.heightText = "0";
            break;
        case CliArgs::Size::Preset: {
            size_t row = 0;
            while (row < presets.size() && presets[row].name != a.preset) ++row;
            if (row == presets.size()) {
                err << "tavuzip: size.ini 中没有名为“" << a.preset << "”的预设尺寸。可选:";
                for (const SizePreset& p : presets) err << " " << p.name;
                err << "\n";
                return 2;
            }
            o.render.sizeMode = int(row) + 2;
            o.render.widthText = presets[row].width;
            o.render.heightText = presets[row].height;
            break;
        }
        case CliArgs::Size::Custom:
            o.render.sizeMode = o.customIndex;
            o.render.widthText = a.width;
            o.render.heightText = a.height;
            break;
    }
    o.render.cropToFill = a.fit ? (*a.fit ? 0 : 1) : s.bPicJQ;
    o.render.xCutMode = a.anchorX ? int16_t(*a.anchorX) : s.iXCutMode;
    o.render.yCutMode = a.anchorY ? int16_t(*a.anchorY) : s.iYCutMode;
    o.render.smartCrop = a.smartAnchor || (!a.anchorX && s.bSmartCut != 0);
    // A preset's upload rules, then the flags.
    if (a.size == CliArgs::Size::Preset) {
        const SizePreset& p = presets[size_t(o.render.sizeMode - 2)];
        o.sizeTarget = {p.minKB, p.maxKB};
        if (p.dpi) o.dpi = *p.dpi;
    }
    if (a.kbGiven) o.sizeTarget = {a.minKB, a.maxKB};
    if (a.dpi) o.dpi = *a.dpi;
    o.sizePad = !a.noPad;
    if (a.gainR) o.render.colors = ColorMatrix::Gains(*a.gainR, *a.gainG, *a.gainB);
    o.render.offsetX = a.offsetX;
    if (a.crop) {
        o.render.cropX = (*a.crop)[0];
        o.render.cropY = (*a.crop)[1];
        o.render.cropW = (*a.crop)[2];
        o.render.cropH = (*a.crop)[3];
    }
    o.render.offsetY = a.offsetY;
    o.render.turn = a.turn;
    o.render.effect = a.effect;
    o.render.brightness = a.brightness;
    {
        std::string why;
        if (!SetDecorations(a, s, env, o.render.decorations, why)) {
            err << "tavuzip: " << why << "\n";
            return 2;
        }
    }
    o.format = a.format == "keep" ? kKeepFormatChoice : a.format;
    o.quality = a.quality ? *a.quality : s.iJPGQ;
    o.naming.rename = a.renamePrefix.has_value();
    if (a.renamePrefix) o.naming.prefix = *a.renamePrefix;
    o.naming.digitsText = a.digits;
    o.naming.outDir = Absolute(a.output.empty() ? env.defaultOutputDir : a.output);
    o.autoOpenFolder = 0;  // nothing to open without a desktop
    o.saveErrorLog = a.errorLog ? 1 : s.bSaveErr;
    o.jobs = a.jobs;
    o.existing = ExistingPolicyFromSetting(a.existing ? *a.existing : s.iExisting);
    o.progressive = a.progressive || s.bJpegProgressive != 0;
    o.subsample = JpegSubsample(a.subsample ? *a.subsample : s.iJpegSubsample);
    o.webpLossless = a.lossless || s.bWebPLossless != 0;
    o.keepExif = a.keepExif || s.bKeepExif != 0;
    o.keepGps = o.keepExif && (a.keepGps || s.bKeepGps != 0);
    o.keepMTime = a.keepMTime || s.bKeepMTime != 0;
    o.keepTree = a.keepTree || s.bKeepTree != 0;

    // The pictures: files as given, folders by their picture files.
    PictureList list;
    std::vector<std::string> bases;  // each entry's base folder (-r folders only)
    for (const std::string& input : a.inputs) {
        const std::string path = Absolute(input);
        std::error_code ec;
        if (fs::is_directory(path, ec) && !IsPicName(path)) {
            FolderScan scan;
            scan.recursive = a.recursive;
            AddFolderPictures(list, path, scan);
            // With its subfolders, each picture's place below this folder can be kept.
            if (a.recursive) bases.resize(list.size(), path);
        } else if (!IsPicName(path)) {
            if (!a.quiet) err << "跳过(不是图片文件): " << input << "\n";
        } else {
            list.add(path);
        }
        bases.resize(list.size());
    }
    if (o.keepTree) o.entryBases = bases;

    const Validation v = ValidateRun(list.size(), o);
    if (!v.ok) {
        err << "tavuzip: " << v.message << "\n";
        return 2;
    }
    std::error_code ec;
    fs::create_directories(o.naming.outDir, ec);  // a failure shows as save failures below

    BatchRunner runner;
    const StopSignals signals;
    g_running = &runner;
    std::optional<CsvReport> report;
    if (!a.report.empty()) report.emplace(list.entries());
    CliObserver observer(out, err, env.progressToTerminal && !a.quiet, a.quiet, report ? &*report : nullptr);
    const Completion c = runner.run(list.entries(), o, &observer);
    g_running = nullptr;
    observer.finish();

    bool reportFailed = false;
    if (report) {
        WriteError werr;
        const std::string path = Absolute(a.report);
        if (report->write(path, werr)) {
            if (!a.quiet) err << "报告已保存到 " << path << "\n";
        } else {
            err << "报告无法保存到 " << path << ": " << werr.text << "\n";
            reportFailed = true;
        }
    }

    if (!c.formatNotice.empty() && !a.quiet) err << c.formatNotice << "\n";
    if (c.errorLogWritten) err << "错误记录已保存到 " << c.errorLogPath << "\n";
    else if (!c.errorLogPath.empty()) err << "错误记录无法保存到 " << c.errorLogPath << "\n";
    if (!a.quiet) {
        out << (c.stopped ? "已停止: " : "完成: ") << "写入 " << c.written << " 张";
        if (c.failed) out << ",失败 " << c.failed << " 张";
        if (c.renamed) out << ",改名 " << c.renamed << " 张";
        if (c.skipped) out << ",跳过 " << c.skipped << " 张";
        if (c.stopped) out << ",未处理 " << (c.total - c.finished) << " 张";
        out << "," << Megabytes(c.bytesIn) << " → " << Megabytes(c.bytesOut);
        const std::string saving = SavingText(c.bytesIn, c.bytesOut, 1);
        if (!saving.empty() && saving != "0.0%")
            out << (c.bytesOut < c.bytesIn ? "(减小 " : "(增大 ") << saving.substr(saving.find_first_of("0123456789")) << ")";
        if (!c.larger.empty()) out << "," << c.larger.size() << " 张比原图大";
        out << ",输出文件夹: " << o.naming.outDir << "\n";
    }
    return !c.stopped && c.failed == 0 && !reportFailed && c.written + c.skipped == c.total ? 0 : 1;
}

}  // namespace tavu
