#include "batch/picturerender.h"

#include "imageio/straightencode.h"
#include "platform/settings.h"

namespace tavu {

namespace {

bool ToDrawParams(const RenderSettings& s, DrawParams& d) {
    const std::optional<float> w = ReadSingle(s.widthText), h = ReadSingle(s.heightText);
    if (!w || !h) return false;
    d.sizeMode = s.sizeMode;
    d.width = *w;
    d.height = *h;
    d.cropToFill = s.cropToFill;
    d.xCutMode = s.xCutMode;
    d.yCutMode = s.yCutMode;
    d.smartCrop = s.smartCrop;
    d.colors = s.colors;
    d.offsetX = s.offsetX;
    d.offsetY = s.offsetY;
    d.quarterTurn = s.turn == kTurnClockwise ? 1 : s.turn == kTurnCounterClockwise ? -1 : 0;
    d.cropX = s.cropX;
    d.cropY = s.cropY;
    d.cropW = s.cropW;
    d.cropH = s.cropH;
    return true;
}

}  // namespace

uint64_t RenderMemoryNeeded(const std::string& source, const RenderSettings& s) {
    DrawParams d;
    return ToDrawParams(s, d) ? DrawMemoryNeeded(source, d) : 0;
}

bool EncodeUnchangedRender(const std::string& source, const RenderSettings& s, const std::string& path,
                           const std::string& extension, const EncodeOptions& options, int& width, int& height) {
    if (TurnOrEffectChanges(s.turn, s.effect, s.brightness) || s.decorations.any()) return false;
    DrawParams d;
    return ToDrawParams(s, d) && EncodeUnchangedDrawing(source, d, path, extension, options, width, height);
}

DrawOutcome RenderPicture(Canvas& canvas, const std::string& source, const RenderSettings& s,
                          std::string* decorationError) {
    if (decorationError) decorationError->clear();
    canvas.clear();
    DrawParams d;
    if (!ToDrawParams(s, d)) return {};  // NoCanvas
    DrawOutcome out = DrawPicFile(canvas, source, d);
    if (out.ok() && TurnOrEffectChanges(s.turn, s.effect, s.brightness) &&
        !ApplyTurnAndEffect(canvas, s.turn, s.effect, s.brightness)) {
        out.status = DrawOutcome::SurfaceFailed;
        out.errorNumber = 7;
        out.errorText = "内存不足,无法处理特效或旋转";
    }
    if (out.ok()) Decorate(canvas, s.decorations, decorationError);
    return out;
}

}  // namespace tavu
