#include "raster/effects.h"

#include <algorithm>
#include <array>

namespace tavu {

namespace {

constexpr std::array<std::string_view, kEffectCount> kEffectCaptions = {
    "一键美容", "棱角分明", "暖黄记忆", "华贵绛紫", "棕褐怀旧", "夜色朦胧", "陈旧往事",
    "扫描线",   "浮雕",     "灰度",     "黑白",     "底片",     "BR_NotShow",
};

constexpr std::array<std::string_view, kTurnCount> kTurnCaptions = {
    "取消旋转", "-", "智能旋转数码照片", "顺转90度", "逆转90度", "旋转180度", "水平镜像", "垂直镜像",
};

int HoldBrightness(int value) { return std::clamp(value, kBrightnessMin, kBrightnessMax); }

}  // namespace

std::string_view EffectCaption(int effect) {
    return effect >= 0 && effect < kEffectCount ? kEffectCaptions[size_t(effect)] : std::string_view{};
}

std::string_view TurnCaption(int turn) {
    return turn >= 0 && turn < kTurnCount ? kTurnCaptions[size_t(turn)] : std::string_view{};
}

int EffectFromCaption(std::string_view caption) {
    for (int i = 0; i < kEffectBrightness; ++i)
        if (kEffectCaptions[size_t(i)] == caption) return i;
    return kEffectNone;
}

void ApplyEffect(CDIB& dib, int effect, int brightness) {
    switch (effect) {
        case 0: dib.FastBlur(); break;
        case 1: dib.Sharpen(); break;
        case 2: dib.Flame(); break;
        case 3: dib.PurpleStain(); break;
        case 4: dib.Brown(); break;
        case 5: dib.NightShade(); break;
        case 6: dib.Spooky(); break;
        case 7: dib.ScanLines(50); break;
        case 8: dib.MakeEmboss(100, false, false); break;
        case 9: dib.Greyscale(); break;
        case 10: dib.Monochrome(128); break;
        case 11: dib.InvertColors(); break;
        case kEffectBrightness: ApplyBrightness(dib, brightness); break;
        default: break;
    }
}

void ApplyBrightness(CDIB& dib, int value) { dib.Brightness(HoldBrightness(value)); }

void ApplyTurn(CDIB& dib, int turn) {
    switch (turn) {
        case kTurnClockwise: dib.RotatePicClockwise(); break;
        case kTurnCounterClockwise: dib.RotatePic(); break;
        case kTurnHalf: dib.FastRot(); break;
        case kTurnMirrorHorizontalAxis: dib.FlipVert(); break;
        case kTurnMirrorVerticalAxis: dib.FlipHorZ(); break;
        default: break;
    }
}

bool TurnOrEffectChanges(int turn, int effect, int brightness) {
    const bool turns = turn >= kTurnClockwise && turn <= kTurnMirrorVerticalAxis;
    const bool effects = (effect >= 0 && effect < kEffectBrightness) ||
                         (effect == kEffectBrightness && HoldBrightness(brightness) != 0);
    return turns || effects;
}

bool ApplyTurnAndEffect(Canvas& canvas, int turn, int effect, int brightness) {
    if (canvas.empty() || !TurnOrEffectChanges(turn, effect, brightness)) return true;
    CDIB dib;
    if (!dib.Clone(canvas, true)) return false;  // too large to hold twice: canvas untouched
    canvas.clear();  // the bitmap holds the picture now; keep the peak at two copies
    ApplyTurn(dib, turn);
    ApplyEffect(dib, effect, brightness);
    canvas = dib.ToCanvas();
    return !canvas.empty();
}

}  // namespace tavu
