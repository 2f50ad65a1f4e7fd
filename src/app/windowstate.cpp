#include "app/windowstate.h"

#include <algorithm>

#include "filelist/filelist.h"
#include "imageio/exifcopy.h"
#include "filelist/pathtext.h"

namespace tavu {

namespace {
std::string S(const QString& s) { return s.toStdString(); }

Position PositionOf(int index, double fx, double fy) {
    Position p;
    p.named = Position::Named(std::clamp(index, 0, 5));
    p.fx = fx;
    p.fy = fy;
    return p;
}
}  // namespace

RenderSettings WindowState::renderSettings() const {
    RenderSettings r;
    r.sizeMode = iSizeMode;
    r.widthText = S(widthText);
    r.heightText = S(heightText);
    r.cropToFill = settings.bPicJQ;
    r.xCutMode = settings.iXCutMode;
    r.yCutMode = settings.iYCutMode;
    r.smartCrop = settings.bSmartCut != 0;
    r.colors = cmPic;
    r.offsetX = sngPicX;
    r.offsetY = sngPicY;
    r.turn = iTurn;
    r.effect = iEffect;
    r.brightness = brightness;
    r.decorations = decorations();
    return r;
}

RenderSettings WindowState::currentRenderSettings() const { return renderSettingsOf(currentSource); }

RenderSettings WindowState::renderSettingsOf(const std::string& entry) const {
    RenderSettings r = renderSettings();
    const IntRect c = cropOf(entry);
    r.cropX = c.x;
    r.cropY = c.y;
    r.cropW = c.w;
    r.cropH = c.h;
    return r;
}

IntRect WindowState::cropOf(const std::string& entry) const {
    const auto it = crops.find(entry);
    return it == crops.end() ? IntRect{} : it->second;
}

void WindowState::setCrop(const std::string& entry, const IntRect& r) {
    if (r.w > 0 && r.h > 0) crops[entry] = r;
    else crops.erase(entry);
    emit cropsChanged();
    changed();
}

Decorations WindowState::decorations() const {
    Decorations d;
    d.borderFile = PathBytes(borderFile);
    d.text.on = textOn;
    d.text.text = settings.sText;
    d.text.font = settings.sFont;
    d.text.sizePt = settings.iSize;
    d.text.color = uint32_t(settings.lColor);
    d.text.bold = settings.sBold;
    d.text.underline = settings.sUnderline;
    d.text.italic = settings.sItalic;
    d.text.pos = PositionOf(textPos, dTSyX, dTSyY);
    d.picture.on = pictureOn;
    d.picture.file = PathBytes(sISyF);
    d.picture.scale = sngSYScale;
    d.picture.opacity = syAlpha;
    d.picture.pos = PositionOf(picturePos, dISyX, dISyY);
    return d;
}

BatchOptions WindowState::batchOptions() const {
    BatchOptions o;
    o.render = renderSettings();
    o.customIndex = customSizeIndex;
    o.format = S(format);
    o.naming.rename = rename;
    o.naming.prefix = S(sPrefix);
    o.naming.digitsText = S(digitsText);
    o.naming.outDir = S(sOutDir);
    o.quality = settings.iJPGQ;
    if (SizeRangeFormat(o.format)) o.sizeTarget = TargetOf(sizeRules);
    o.sizePad = sizeRules.pad;
    if (DpiFormat(o.format)) o.dpi = DpiOf(sizeRules);
    o.autoOpenFolder = settings.bAutoODir;
    o.saveErrorLog = settings.bSaveErr;
    o.existing = ExistingPolicy(std::clamp<int>(settings.iExisting, 0, 2));
    o.progressive = settings.bJpegProgressive != 0;
    o.subsample = JpegSubsample(std::clamp<int>(settings.iJpegSubsample, 0, 2));
    o.webpLossless = settings.bWebPLossless != 0;
    o.keepExif = settings.bKeepExif != 0;
    o.keepGps = o.keepExif && settings.bKeepGps != 0;
    o.keepMTime = settings.bKeepMTime != 0;
    o.keepTree = settings.bKeepTree != 0;
    if (o.keepTree && list && !bases.empty()) {
        o.entryBases.reserve(list->size());
        for (const std::string& e : list->entries()) {
            const auto it = bases.find(e);
            o.entryBases.push_back(it == bases.end() ? std::string() : it->second);
        }
    }
    if (list && !crops.empty()) {
        o.entryCrops.reserve(list->size());
        for (const std::string& e : list->entries()) o.entryCrops.push_back(cropOf(e));
    }
    return o;
}

QStringList WindowState::entries() const {
    QStringList all;
    if (!list) return all;
    all.reserve(qsizetype(list->size()));
    for (const std::string& e : list->entries()) all << PathText(e);
    return all;
}

}  // namespace tavu
