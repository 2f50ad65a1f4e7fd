// The effect and turn choices of the main window carried out on a picture.
//
// Effects are numbered as the effect menu's entries: 0 "一键美容" FastBlur, 1 "棱角分明" Sharpen,
// 2 "暖黄记忆" Flame, 3 "华贵绛紫" PurpleStain, 4 "棕褐怀旧" Brown, 5 "夜色朦胧" NightShade,
// 6 "陈旧往事" Spooky, 7 "扫描线" ScanLines(50), 8 "浮雕" MakeEmboss(100, false, false),
// 9 "灰度" Greyscale, 10 "黑白" Monochrome(128), 11 "底片" InvertColors, and 12 the brightness
// slider's hidden entry, Brightness(slider value). Any other number applies nothing.
//
// Turns are numbered as the direction menu's entries: 0 "取消旋转" and 2 "智能旋转数码照片" add
// nothing (the picture is already upright when loaded), 1 is the menu's separator, 3 "顺转90度"
// a clockwise quarter turn, 4 "逆转90度" a counter-clockwise quarter turn, 5 "旋转180度" a half
// turn, 6 "水平镜像" a mirror about the horizontal axis (top and bottom change places), 7 "垂直镜像"
// a mirror about the vertical axis (left and right change places).
#pragma once

#include <string_view>

#include "raster/canvas.h"
#include "raster/cdib.h"

namespace tavu {

inline constexpr int kEffectNone = -1;  // "无特效"
inline constexpr int kEffectBrightness = 12;
inline constexpr int kEffectCount = 13;  // menu entries 0..12
inline constexpr int kBrightnessMin = -75, kBrightnessMax = 75;

enum Turn : int {
    kTurnNone = 0,
    kTurnSeparator = 1,
    kTurnAuto = 2,
    kTurnClockwise = 3,
    kTurnCounterClockwise = 4,
    kTurnHalf = 5,
    kTurnMirrorHorizontalAxis = 6,
    kTurnMirrorVerticalAxis = 7,
};
inline constexpr int kTurnCount = 8;

// Menu captions; "" for numbers outside the menu. The effect caption of 12 is "BR_NotShow".
std::string_view EffectCaption(int effect);
std::string_view TurnCaption(int turn);
// The number of the effect whose caption is `caption` (0..11; the hidden entry is not matched),
// or kEffectNone.
int EffectFromCaption(std::string_view caption);

// Applies effect `effect`; 12 takes `brightness` (see ApplyBrightness).
void ApplyEffect(CDIB& dib, int effect, int brightness = 0);
// Brightness with the slider value, which is held to the slider's range -75..75.
void ApplyBrightness(CDIB& dib, int value);
// Applies the turn; numbers without a turn of their own change nothing.
void ApplyTurn(CDIB& dib, int turn);

// Whether ApplyTurnAndEffect would change anything.
bool TurnOrEffectChanges(int turn, int effect, int brightness);
// The turn first, then the effect (or brightness for 12), through a CDIB. The canvas stays as it
// is when neither does anything. Returns false only when memory ran out, leaving the canvas empty.
bool ApplyTurnAndEffect(Canvas& canvas, int turn, int effect, int brightness);

}  // namespace tavu
