#include "app/windowstate.h"

#include <algorithm>

#include "filelist/filelist.h"

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

Decorations WindowState::decorations() const {
    Decorations d;
    d.borderFile = S(borderFile);
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
    d.picture.file = S(sISyF);
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
    return o;
}

std::optional<EncodeChoice> WindowState::previewEncodeChoice() const {
    const BatchOptions o = batchOptions();
    if (!o.sizeTarget.active() || current.isEmpty()) return std::nullopt;
    const std::string ext = o.format == kKeepFormatChoice ? KeepSourceFormat(S(current)).extension : o.format;
    if (!SizeSearchApplies(ext, o.sizeTarget)) return std::nullopt;
    EncodeChoice c;
    c.quality = o.quality;
    c.sizeTarget = o.sizeTarget;
    c.sizePad = o.sizePad;
    c.dpi = o.dpi;
    c.pixelSizeFree = o.render.sizeMode == kSizeWidthLimit || o.render.sizeMode == kSizeOriginal;
    return c;
}

QStringList WindowState::entries() const {
    QStringList all;
    if (!list) return all;
    all.reserve(qsizetype(list->size()));
    for (const std::string& e : list->entries()) all << QString::fromStdString(e);
    return all;
}

}  // namespace tavu
