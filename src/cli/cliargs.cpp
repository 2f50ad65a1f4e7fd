#include "cli/cliargs.h"

#include <charconv>
#include <cmath>

#include "platform/settings.h"
#include "raster/effects.h"

namespace tavu {

namespace {

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseFloat(const std::string& s, float& out) {
    const std::optional<float> v = ReadSingle(s);
    if (!v || !std::isfinite(*v) || s.find_first_of("TtFf") != std::string::npos) return false;
    out = *v;
    return true;
}

// Splits at any of the separators (each may be several bytes, like "×").
std::vector<std::string> Split(const std::string& s, std::initializer_list<std::string_view> seps) {
    std::vector<std::string> parts;
    size_t start = 0, i = 0;
    while (i < s.size()) {
        size_t len = 0;
        for (std::string_view sep : seps)
            if (s.compare(i, sep.size(), sep) == 0) {
                len = sep.size();
                break;
            }
        if (len == 0) {
            ++i;
            continue;
        }
        parts.push_back(s.substr(start, i - start));
        i += len;
        start = i;
    }
    parts.push_back(s.substr(start));
    return parts;
}

bool IsNumberText(const std::string& s) {
    float f;
    return ParseFloat(s, f);
}

}  // namespace

std::optional<Position> ParseCliPosition(const std::string& text) {
    static const std::pair<const char*, Position::Named> names[] = {
        {"右下", Position::BottomRight}, {"左下", Position::BottomLeft}, {"左上", Position::TopLeft},
        {"右上", Position::TopRight},    {"居中", Position::Centre},     {"br", Position::BottomRight},
        {"bl", Position::BottomLeft},    {"tl", Position::TopLeft},      {"tr", Position::TopRight},
        {"center", Position::Centre},    {"centre", Position::Centre}};
    for (auto [name, named] : names)
        if (text == name) return Position{named};
    const std::vector<std::string> xy = Split(text, {","});
    float x, y;
    if (xy.size() != 2 || !ParseFloat(xy[0], x) || !ParseFloat(xy[1], y) || x < 0 || x > 1 || y < 0 || y > 1)
        return std::nullopt;
    return Position{Position::Custom, x, y};
}

std::optional<uint32_t> ParseCliColor(const std::string& text) {
    std::string_view v = text;
    if (!v.empty() && v[0] == '#') v.remove_prefix(1);
    if (v.size() != 6) return std::nullopt;
    uint32_t rgb = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), rgb, 16);
    if (ec != std::errc() || p != v.data() + v.size()) return std::nullopt;
    const uint32_t r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r | (g << 8) | (b << 16);
}

bool ParseKbRange(const std::string& text, std::optional<int>& minKB, std::optional<int>& maxKB) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos || text.find('-', dash + 1) != std::string::npos) return false;
    const std::string lo = text.substr(0, dash), hi = text.substr(dash + 1);
    if (lo.empty() && hi.empty()) return false;
    int a = 0, b = 0;
    if (!lo.empty() && !ParseInt(lo, 0, 1000000, a)) return false;
    if (!hi.empty() && !ParseInt(hi, 1, 1000000, b)) return false;
    if (!lo.empty() && !hi.empty() && a > b) return false;
    minKB = lo.empty() || a == 0 ? std::nullopt : std::optional<int>(a);
    maxKB = hi.empty() ? std::nullopt : std::optional<int>(b);
    return true;
}

std::string CliHelpText() {
    return
        "用法: tavuzip --batch [选项] 文件|文件夹...\n"
        "把照片批量压缩到输出文件夹。不带 --batch 时打开主窗口。\n"
        "\n"
        "尺寸(任选其一,默认 -w 500):\n"
        "  -w, --width N          限制宽度为 N 像素,高度按原图比例换算\n"
        "      --original         保持原始尺寸\n"
        "      --preset 名称      使用 size.ini 中的预设尺寸\n"
        "  -s, --size 宽x高       自定义尺寸(默认裁剪填满)\n"
        "      --fit              完整放入目标尺寸(留边),不裁剪\n"
        "      --anchor 水平,垂直  裁剪时保留的部分: left|center|right,top|center|bottom\n"
        "      --anchor smart     智能裁剪: 保留最引人注意的部分(如偏在一边的人像)\n"
        "\n"
        "输出:\n"
        "  -f, --format 格式      keep(原格式,默认)|jpg|png|tiff|bmp|webp\n"
        "                         (原格式为 HEIC、HEIF、AVIF 的图片保存为 JPEG)\n"
        "  -q, --quality N        JPEG 和 WebP 质量 0-100(默认取设置,初始 85)\n"
        "      --progressive      渐进式 JPEG\n"
        "      --subsample 方式   JPEG 色度抽样: auto(自动,默认)|420|444\n"
        "      --lossless         无损 WebP(有文件大小范围时仍按质量压缩)\n"
        "      --keep-exif        保留拍摄信息(EXIF 拍摄时间、相机和曝光参数;方向置为 1,去掉缩略图和位置)\n"
        "      --keep-gps         与 --keep-exif 一起: 也保留位置信息(GPS)\n"
        "      --keep-mtime       保留文件时间: 结果文件的修改时间与原图片相同\n"
        "      --keep-tree        与 -r 一起: 在输出文件夹中保持子文件夹结构\n"
        "  -o, --output 文件夹    输出文件夹(默认为工作文件夹中的 zp:程序文件夹可写时在程序文件夹,\n"
        "                         否则在 ~/.local/share/tavuzip)\n"
        "      --rename 前缀      改名为 前缀+序号(从 0 开始)\n"
        "      --digits N         序号位数(默认 4)\n"
        "      --kb 最小-最大     JPEG 或 WebP 文件大小范围(KB),如 20-50、-200(只限上限)、10-(只限下限);\n"
        "                         取不超过上限的最高质量,小于下限时提高质量,JPEG 仍不够则在注释段中填充\n"
        "      --no-pad           不填充: 达不到下限的图片不保存,记为失败\n"
        "      --dpi N            写入图片的分辨率(DPI),如 300(jpg、png、tiff)\n"
        "  带文件大小和 DPI 的预设(如 size.ini 中的考试报名照片)会同时设定它们,--kb、--dpi 优先。\n"
        "      --report 文件.csv  写出处理报告:每张图片一行(原图、结果、宽、高、原大小、结果大小、质量、状态、说明),UTF-8\n"
        "      --existing 方式    输出文件夹中已有同名文件时: overwrite(覆盖,默认)|skip(跳过)|rename(自动改名)\n"
        "                         (含有原图片的文件夹中从不覆盖,总是自动改名;同一次处理中重名的\n"
        "                         结果也自动改名为 名称 (1).扩展名)\n"
        "\n"
        "调整:\n"
        "      --gains R,G,B      红、绿、蓝通道增益(1 为不变,0 去掉该颜色)\n"
        "      --offset X,Y       图片在画布上的偏移(像素)\n"
        "      --crop X,Y,W,H     只用原图的这一部分(像素,左上角 X,Y,宽 W,高 H),先裁剪再缩放\n"
        "      --rotate 方向      none|auto|cw(顺转90度)|ccw(逆转90度)|180|mirror-h(水平镜像)|mirror-v(垂直镜像)\n"
        "      --effect 特效      0-11 或名称: 一键美容 棱角分明 暖黄记忆 华贵绛紫 棕褐怀旧 夜色朦胧\n"
        "                         陈旧往事 扫描线 浮雕 灰度 黑白 底片\n"
        "      --brightness V     调整亮度 -75 到 75\n"
        "\n"
        "边框和水印(未给出的字体、大小、颜色和透明度取程序保存的设置):\n"
        "      --border 名称      加边框: bk 文件夹中的边框名称(不含 .png),或一个 PNG 文件的路径\n"
        "      --text 文字        加文字水印\n"
        "      --font 字体        文字水印的字体(系统中没有该字体时用中文黑体代替)\n"
        "      --font-size N      文字大小(磅,按 96 dpi 显示计算),1-1000\n"
        "      --color #RRGGBB    文字颜色,例如 #FF0000 为红色\n"
        "      --bold / --italic / --underline  粗体 / 斜体 / 下划线\n"
        "      --text-pos 位置    文字水印位置(默认 居中)\n"
        "      --watermark 文件   加图片水印\n"
        "      --watermark-pos 位置  图片水印位置(默认 右上)\n"
        "      --opacity N        图片水印的不透明度 0-100(0 完全透明,100 不透明)\n"
        "      --watermark-scale S  图片水印的缩放比例(1 为原大小)\n"
        "  位置: 右下|左下|左上|右上|居中,或 br|bl|tl|tr|center,或自定义比例 X,Y(0 到 1,\n"
        "        文字为其左上角,图片为其中心;0,0 表示尚未定位,按默认位置)\n"
        "\n"
        "其他:\n"
        "  -r                     包含子文件夹内的图片(跳过隐藏文件夹)\n"
        "      --error-log        出错时在输出文件夹写入 ErrorLog.txt\n"
        "  -j, --jobs N           同时处理的图片数(默认为 CPU 核数加一)\n"
        "      --quiet            不显示进度和汇总\n"
        "      --help             显示本帮助\n"
        "      --version          显示版本\n"
        "\n"
        "退出码: 0 全部成功(按 --existing skip 跳过的也算);1 有图片失败或已停止;2 用法错误。\n";
}

std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& args, std::string& error) {
    CliArgs a;
    int sizeChoices = 0;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            a.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto value = [&](std::string& out) -> bool {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "选项 " + arg + " 需要一个值";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (arg == "-w" || arg == "--width") {
            if (!value(v)) return std::nullopt;
            float f;
            if (!ParseFloat(v, f) || f <= 0) {
                error = "宽度必须是大于 0 的数字: " + v;
                return std::nullopt;
            }
            a.size = CliArgs::Size::WidthLimit;
            a.width = v;
            a.height = "0";
            ++sizeChoices;
        } else if (arg == "--original") {
            a.size = CliArgs::Size::Original;
            ++sizeChoices;
        } else if (arg == "--preset") {
            if (!value(v)) return std::nullopt;
            a.size = CliArgs::Size::Preset;
            a.preset = v;
            ++sizeChoices;
        } else if (arg == "-s" || arg == "--size") {
            if (!value(v)) return std::nullopt;
            std::vector<std::string> wh = Split(v, {"x", "X", "×", "*"});
            if (wh.size() != 2 || !IsNumberText(wh[0]) || !IsNumberText(wh[1])) {
                error = "尺寸应写成 宽x高,例如 800x600: " + v;
                return std::nullopt;
            }
            a.size = CliArgs::Size::Custom;
            a.width = wh[0];
            a.height = wh[1];
            ++sizeChoices;
        } else if (arg == "--fit") {
            a.fit = true;
        } else if (arg == "--anchor") {
            if (!value(v)) return std::nullopt;
            if (v == "smart") {
                a.smartAnchor = true;
                a.anchorX.reset();
                a.anchorY.reset();
                continue;
            }
            a.smartAnchor = false;
            const std::vector<std::string> hv = Split(v, {","});
            static const char* hs[] = {"left", "center", "right"};
            static const char* vs[] = {"top", "center", "bottom"};
            std::optional<int> h, vv;
            if (hv.size() == 2)
                for (int k = 0; k < 3; ++k) {
                    if (hv[0] == hs[k] || (k == 1 && hv[0] == "centre")) h = k;
                    if (hv[1] == vs[k] || (k == 1 && hv[1] == "centre")) vv = k;
                }
            if (!h || !vv) {
                error = "--anchor 应为 水平,垂直,水平取 left|center|right,垂直取 top|center|bottom: " + v;
                return std::nullopt;
            }
            a.anchorX = h;
            a.anchorY = vv;
        } else if (arg == "-f" || arg == "--format") {
            if (!value(v)) return std::nullopt;
            if (v == "jpeg") v = "jpg";
            if (v == "tif") v = "tiff";
            if (v != "keep" && v != "jpg" && v != "png" && v != "tiff" && v != "bmp" && v != "webp") {
                error = "不支持的格式: " + v + "(可选 keep|jpg|png|tiff|bmp|webp)";
                return std::nullopt;
            }
            a.format = v;
        } else if (arg == "--progressive") {
            a.progressive = true;
        } else if (arg == "--subsample") {
            if (!value(v)) return std::nullopt;
            if (v == "auto") a.subsample = 0;
            else if (v == "420" || v == "4:2:0") a.subsample = 1;
            else if (v == "444" || v == "4:4:4") a.subsample = 2;
            else {
                error = "--subsample 可选 auto|420|444: " + v;
                return std::nullopt;
            }
        } else if (arg == "--lossless") {
            a.lossless = true;
        } else if (arg == "--keep-exif") {
            a.keepExif = true;
        } else if (arg == "--keep-gps") {
            a.keepGps = true;
        } else if (arg == "--keep-mtime") {
            a.keepMTime = true;
        } else if (arg == "--keep-tree") {
            a.keepTree = true;
        } else if (arg == "-q" || arg == "--quality") {
            if (!value(v)) return std::nullopt;
            int q;
            if (!ParseInt(v, 0, 100, q)) {
                error = "质量必须是 0 到 100 的整数: " + v;
                return std::nullopt;
            }
            a.quality = q;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "输出文件夹不能为空";
                return std::nullopt;
            }
            a.output = v;
        } else if (arg == "--rename") {
            if (!value(v)) return std::nullopt;
            if (v.find('/') != std::string::npos) {
                error = "文件名前缀不能包含 /: " + v;
                return std::nullopt;
            }
            a.renamePrefix = v;
        } else if (arg == "--digits") {
            if (!value(v)) return std::nullopt;
            int d;
            if (!ParseInt(v, 0, 32, d)) {
                error = "位数必须是 0 到 32 的整数: " + v;
                return std::nullopt;
            }
            a.digits = v;
        } else if (arg == "--gains") {
            if (!value(v)) return std::nullopt;
            const std::vector<std::string> g = Split(v, {","});
            float r, gg, b;
            if (g.size() != 3 || !ParseFloat(g[0], r) || !ParseFloat(g[1], gg) || !ParseFloat(g[2], b)) {
                error = "--gains 应为三个数字 R,G,B,例如 1,1,0.8: " + v;
                return std::nullopt;
            }
            a.gainR = r;
            a.gainG = gg;
            a.gainB = b;
        } else if (arg == "--offset") {
            if (!value(v)) return std::nullopt;
            const std::vector<std::string> xy = Split(v, {","});
            if (xy.size() != 2 || !ParseFloat(xy[0], a.offsetX) || !ParseFloat(xy[1], a.offsetY)) {
                error = "--offset 应为两个数字 X,Y: " + v;
                return std::nullopt;
            }
        } else if (arg == "--crop") {
            if (!value(v)) return std::nullopt;
            const std::vector<std::string> r = Split(v, {","});
            std::array<int, 4> c{};
            bool good = r.size() == 4;
            for (size_t i = 0; good && i < 4; ++i) good = ParseInt(r[i], 0, 1000000, c[i]);
            if (!good || c[2] <= 0 || c[3] <= 0) {
                error = "--crop 应为四个整数 X,Y,宽,高(宽和高大于 0),例如 100,50,800,600: " + v;
                return std::nullopt;
            }
            a.crop = c;
        } else if (arg == "--rotate") {
            if (!value(v)) return std::nullopt;
            static const std::pair<const char*, int> turns[] = {
                {"none", kTurnNone},        {"auto", kTurnAuto},         {"cw", kTurnClockwise},
                {"ccw", kTurnCounterClockwise}, {"180", kTurnHalf},
                {"mirror-h", kTurnMirrorHorizontalAxis}, {"mirror-v", kTurnMirrorVerticalAxis}};
            bool found = false;
            for (auto [name, t] : turns)
                if (v == name) {
                    a.turn = t;
                    found = true;
                }
            if (!found) {
                error = "--rotate 可选 none|auto|cw|ccw|180|mirror-h|mirror-v: " + v;
                return std::nullopt;
            }
        } else if (arg == "--effect") {
            if (!value(v)) return std::nullopt;
            int e = -1;
            if (!ParseInt(v, 0, kEffectBrightness - 1, e)) e = EffectFromCaption(v);
            if (e < 0) {
                error = "--effect 应为 0 到 11 或特效名称(如 灰度、底片): " + v;
                return std::nullopt;
            }
            if (a.effect == kEffectBrightness) {
                error = "--effect 与 --brightness 只能选一个";
                return std::nullopt;
            }
            a.effect = e;
        } else if (arg == "--brightness") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, kBrightnessMin, kBrightnessMax, a.brightness)) {
                error = "亮度必须是 -75 到 75 的整数: " + v;
                return std::nullopt;
            }
            if (a.effect >= 0) {
                error = "--effect 与 --brightness 只能选一个";
                return std::nullopt;
            }
            a.effect = kEffectBrightness;
        } else if (arg == "--text") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "水印文字不能为空";
                return std::nullopt;
            }
            a.text = v;
        } else if (arg == "--font") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "字体名称不能为空";
                return std::nullopt;
            }
            a.font = v;
        } else if (arg == "--font-size") {
            if (!value(v)) return std::nullopt;
            int n;
            if (!ParseInt(v, 1, kMaxTextSizePt, n)) {
                error = "文字大小必须是 1 到 1000 的整数: " + v;
                return std::nullopt;
            }
            a.fontSize = n;
        } else if (arg == "--color") {
            if (!value(v)) return std::nullopt;
            a.color = ParseCliColor(v);
            if (!a.color) {
                error = "颜色应写成 #RRGGBB(十六进制),例如 #FF0000: " + v;
                return std::nullopt;
            }
        } else if (arg == "--bold") {
            a.bold = true;
        } else if (arg == "--italic") {
            a.italic = true;
        } else if (arg == "--underline") {
            a.underline = true;
        } else if (arg == "--text-pos" || arg == "--watermark-pos") {
            if (!value(v)) return std::nullopt;
            const std::optional<Position> pos = ParseCliPosition(v);
            if (!pos) {
                error = arg + " 应为 右下|左下|左上|右上|居中(或 br|bl|tl|tr|center),或 0 到 1 之间的比例 X,Y: " + v;
                return std::nullopt;
            }
            (arg == "--text-pos" ? a.textPos : a.watermarkPos) = pos;
        } else if (arg == "--watermark") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "水印图片的路径不能为空";
                return std::nullopt;
            }
            a.watermark = v;
        } else if (arg == "--opacity") {
            if (!value(v)) return std::nullopt;
            int n;
            if (!ParseInt(v, 0, 100, n)) {
                error = "不透明度必须是 0 到 100 的整数: " + v;
                return std::nullopt;
            }
            a.opacity = n;
        } else if (arg == "--watermark-scale") {
            if (!value(v)) return std::nullopt;
            float f;
            if (!ParseFloat(v, f) || f <= 0 || f > 100) {
                error = "图片水印的缩放比例必须是大于 0、不超过 100 的数字: " + v;
                return std::nullopt;
            }
            a.watermarkScale = f;
        } else if (arg == "--border") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "边框名称不能为空";
                return std::nullopt;
            }
            a.border = v;
        } else if (arg == "--kb") {
            if (!value(v)) return std::nullopt;
            if (!ParseKbRange(v, a.minKB, a.maxKB)) {
                error = "--kb 应为 最小-最大(KB),如 20-50、-200 或 10-,且最小不大于最大: " + v;
                return std::nullopt;
            }
            a.kbGiven = true;
        } else if (arg == "--no-pad") {
            a.noPad = true;
        } else if (arg == "--dpi") {
            if (!value(v)) return std::nullopt;
            int d;
            if (!ParseInt(v, 1, 65535, d)) {
                error = "DPI 必须是 1 到 65535 的整数: " + v;
                return std::nullopt;
            }
            a.dpi = d;
        } else if (arg == "--report") {
            if (!value(v)) return std::nullopt;
            if (v.empty()) {
                error = "报告文件名不能为空";
                return std::nullopt;
            }
            a.report = v;
        } else if (arg == "--existing") {
            if (!value(v)) return std::nullopt;
            static const char* choices[] = {"overwrite", "skip", "rename"};
            for (int k = 0; k < 3; ++k)
                if (v == choices[k]) a.existing = k;
            if (!a.existing) {
                error = "--existing 可选 overwrite|skip|rename: " + v;
                return std::nullopt;
            }
        } else if (arg == "--error-log") {
            a.errorLog = true;
        } else if (arg == "-j" || arg == "--jobs") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 1, 256, a.jobs)) {
                error = "并行数必须是 1 到 256 的整数: " + v;
                return std::nullopt;
            }
        } else if (arg == "-r" || arg == "--recursive") {
            a.recursive = true;
        } else if (arg == "--quiet") {
            a.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--version") {
            a.version = true;
        } else {
            error = "未知选项: " + arg;
            return std::nullopt;
        }
        if (inlineValue && (arg == "--original" || arg == "--fit" || arg == "--error-log" || arg == "--quiet" ||
                            arg == "--help" || arg == "--version" || arg == "--recursive" || arg == "--bold" ||
                            arg == "--italic" || arg == "--underline" || arg == "--no-pad" ||
                            arg == "--progressive" || arg == "--lossless" || arg == "--keep-exif" ||
                            arg == "--keep-gps" || arg == "--keep-mtime" || arg == "--keep-tree")) {
            error = "选项 " + arg + " 不带值";
            return std::nullopt;
        }
    }
    if (!a.text && (a.font || a.fontSize || a.color || a.bold || a.italic || a.underline || a.textPos)) {
        error = "文字水印的选项(--font、--font-size、--color、--bold、--italic、--underline、--text-pos)需要与 --text 一起使用";
        return std::nullopt;
    }
    if (!a.watermark && (a.watermarkPos || a.opacity || a.watermarkScale)) {
        error = "图片水印的选项(--watermark-pos、--opacity、--watermark-scale)需要与 --watermark 一起使用";
        return std::nullopt;
    }
    if (a.kbGiven && a.format != "jpg" && a.format != "webp" && a.format != "keep") {
        error = "--kb 只适用于 JPEG 和 WebP 输出(-f jpg、-f webp)";
        return std::nullopt;
    }
    if (a.keepGps && !a.keepExif) {
        error = "--keep-gps 需要与 --keep-exif 一起使用";
        return std::nullopt;
    }
    if (sizeChoices > 1) {
        error = "尺寸选项(-w、--original、--preset、-s)只能选一个";
        return std::nullopt;
    }
    if (!a.help && !a.version && a.inputs.empty()) {
        error = "没有指定要处理的图片或文件夹";
        return std::nullopt;
    }
    return a;
}

}  // namespace tavu
