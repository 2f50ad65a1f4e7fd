// The window's "文件大小" and DPI boxes as logic: what they mean for a run, what choosing a size
// preset puts into them, and when they apply.
#pragma once

#include <string>

#include "batch/sizepresets.h"
#include "imageio/sizesearch.h"

namespace tavu {

struct SizeRuleInputs {
    bool on = false;                  // the "文件大小" check box
    std::string minText, maxText;     // KB as typed; empty or 0 leaves that end open
    bool pad = true;                  // the "填充" check box
    std::string dpiText;              // empty or 0: no resolution written
};

// The range the boxes give; inactive when the check box is off or neither box holds a number.
SizeTarget TargetOf(const SizeRuleInputs& in);
// The resolution the box gives (1..65535), 0 for none.
int DpiOf(const SizeRuleInputs& in);
// Empty, or why the boxes cannot be used ("文件大小的最小值不能大于最大值！").
std::string CheckSizeRules(const SizeRuleInputs& in);

// Choosing a preset that carries rules switches the range on (when it gives one) and fills the
// boxes from it; its resolution replaces the DPI box. A preset without rules changes nothing.
SizeRuleInputs InputsForPreset(const SizePreset& preset, SizeRuleInputs current);

// The range boxes act on JPEG and WebP results: the format list's "jpg", "webp" and "原格式"
// (JPEG and WebP sources, and HEIC/AVIF sources, which are saved as JPEG).
bool SizeRangeFormat(const std::string& formatChoice);
// The DPI box acts on every format but bitmaps and WebP (which has no resolution field).
bool DpiFormat(const std::string& formatChoice);

}  // namespace tavu
