// Skins: the look of every window comes from a skin file (".she"), which here is a Qt style sheet
// in UTF-8. Applying one sets it as the application style sheet, so all windows change at once.
// The skin menu "软件换肤" has five entries; the first four name the skins shipped in the folder
// "skin" beside the executable, the fifth lets the user pick any skin file.
#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tavu {

inline constexpr int kSkinMenuEntryCount = 5;
inline constexpr int kOtherSkinMenuIndex = 4;  // "其他皮肤...": the user picks the file

// The caption of a skin menu entry ("浅蓝(默认)", ..., "其他皮肤..."); empty for an unknown index.
QString SkinMenuCaption(int index);

// The skin file of a menu entry: programDir + "/skin/" + caption + ".she" for entries 0 to 3,
// empty for entry 4 (the user is asked), entry 0's file for any other index.
QString SkinFileForMenuIndex(const QString& programDir, int index);

// The skin used until the user picks one: programDir + "/skin.she".
QString DefaultSkinFile(const QString& programDir);

// Reads the file as UTF-8 and makes it the application style sheet. A missing or unreadable
// file leaves the current look alone and gives false; nothing is shown and nothing throws.
// Needs a QApplication.
bool ApplySkinFile(const QString& path);

// The outcome of one click in the skin menu.
struct SkinChoice {
    int checkedIndex = -1;     // the entry that carries the check mark; -1 when none does
    QString skinFileName;      // sSkinFileName after the click
    bool appliedAndSaved = false;  // the skin was applied and sSkinFileName written
};

// The skin menu's click handler without the widgets. The window owns the menu and mirrors
// checkedIndex() onto its check marks; applying and persisting go through the callbacks.
class SkinMenuState {
public:
    // Opens the skin chooser modally; the chosen file's full path, or nothing when cancelled.
    using Chooser = std::function<std::optional<QString>()>;
    using PathAction = std::function<void(const QString&)>;

    SkinMenuState(QString programDir, PathAction apply, PathAction persist);

    // Handles a click on entry `index` while `currentSkinFileName` is in use.
    // 1. The check mark moves to entry `index` (no entry for an unknown index).
    // 2. Entries 0 to 3 and unknown indices take their file from SkinFileForMenuIndex.
    // 3. Entry 4 asks the chooser; cancelling keeps the current file.
    // 4. A non-empty result is applied and persisted - even when cancelled, even when missing.
    SkinChoice click(int index, const QString& currentSkinFileName, const Chooser& chooser);

    // No entry is checked until the first click.
    int checkedIndex() const { return checked_; }

private:
    QString programDir_;
    PathAction apply_;
    PathAction persist_;
    int checked_ = -1;
};

}  // namespace tavu
