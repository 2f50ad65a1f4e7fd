#include "cli/clirun.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "batch/batchrun.h"
#include "batch/picname.h"
#include "batch/sizepresets.h"
#include "cli/cliargs.h"
#include "imageio/vipsinit.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace fs = std::filesystem;

namespace tavu {

namespace {

std::atomic<BatchRunner*> g_running{nullptr};

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
    CliObserver(std::ostream& err, bool progress) : err_(err), progress_(progress) {}
    void pictureFinished(const PictureResult& r, size_t done, size_t total) override {
        if (!r.failureLine.empty()) {
            if (shown_) err_ << "\r\033[K";
            err_ << r.failureLine << "\n";
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
    std::ostream& err_;
    bool progress_;
    bool shown_ = false;
};

}  // namespace

void StopRunningBatch() {
    if (BatchRunner* r = g_running.load()) r->requestStop();
}

CliEnvironment RealCliEnvironment() {
    static IniSettingsStore store(DefaultSettingsPath());
    CliEnvironment env;
    env.settings = &store;
    env.programDir = ProgramDir();
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
        out << "Tavu照片压缩 1.0.0 (libvips " << ImageIOVersion() << ")\n";
        return 0;
    }

    // Stored defaults; flags override them.
    Settings s;
    if (env.settings) LoadSettings(*env.settings, env.programDir, Today(), s);

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
    if (a.gainR) o.render.colors = ColorMatrix::Gains(*a.gainR, *a.gainG, *a.gainB);
    o.render.offsetX = a.offsetX;
    o.render.offsetY = a.offsetY;
    o.render.turn = a.turn;
    o.render.effect = a.effect;
    o.render.brightness = a.brightness;
    o.format = a.format == "keep" ? kKeepFormatChoice : a.format;
    o.quality = a.quality ? *a.quality : s.iJPGQ;
    o.naming.rename = a.renamePrefix.has_value();
    if (a.renamePrefix) o.naming.prefix = *a.renamePrefix;
    o.naming.digitsText = a.digits;
    o.naming.outDir = Absolute(a.output.empty() ? env.defaultOutputDir : a.output);
    o.autoOpenFolder = 0;  // nothing to open without a desktop
    o.saveErrorLog = a.errorLog ? 1 : s.bSaveErr;
    o.jobs = a.jobs;

    // The pictures: files as given, folders by their picture files.
    PictureList list;
    for (const std::string& input : a.inputs) {
        const std::string path = Absolute(input);
        std::error_code ec;
        if (fs::is_directory(path, ec) && !IsPicName(path)) {
            FolderScan scan;
            scan.recursive = a.recursive;
            AddFolderPictures(list, path, scan);
        } else if (!IsPicName(path)) {
            if (!a.quiet) err << "跳过(不是图片文件): " << input << "\n";
        } else {
            list.add(path);
        }
    }

    const Validation v = ValidateRun(list.size(), o);
    if (!v.ok) {
        err << "tavuzip: " << v.message << "\n";
        return 2;
    }
    std::error_code ec;
    fs::create_directories(o.naming.outDir, ec);  // a failure shows as save failures below

    BatchRunner runner;
    g_running = &runner;
    CliObserver observer(err, env.progressToTerminal && !a.quiet);
    const Completion c = runner.run(list.entries(), o, &observer);
    g_running = nullptr;
    observer.finish();

    if (c.errorLogWritten) err << "错误记录已保存到 " << c.errorLogPath << "\n";
    if (!a.quiet) {
        out << (c.stopped ? "已停止: " : "完成: ") << "写入 " << c.written << " 张";
        if (c.failed) out << ",失败 " << c.failed << " 张";
        if (c.stopped) out << ",未处理 " << (c.total - c.finished) << " 张";
        out << "," << Megabytes(c.bytesIn) << " → " << Megabytes(c.bytesOut);
        if (c.bytesIn > 0 && c.bytesOut < c.bytesIn)
            out << "(减小 " << int(100.0 * double(c.bytesIn - c.bytesOut) / double(c.bytesIn)) << "%)";
        out << ",输出文件夹: " << o.naming.outDir << "\n";
    }
    return c.written == c.total ? 0 : 1;
}

}  // namespace tavu
