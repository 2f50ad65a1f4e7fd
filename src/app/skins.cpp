#include "app/skins.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>

#include <array>
#include <utility>

namespace tavu {

namespace {

const std::array<const char*, kSkinMenuEntryCount> kCaptions = {
    "浅蓝(默认)", "QQ2008皮肤", "Aero皮肤", "经典黑皮肤", "其他皮肤...",
};

bool IsMenuIndex(int index) { return index >= 0 && index < kSkinMenuEntryCount; }

}  // namespace

QString SkinMenuCaption(int index) {
    return IsMenuIndex(index) ? QString::fromUtf8(kCaptions[index]) : QString();
}

QString SkinFileForMenuIndex(const QString& programDir, int index) {
    if (index == kOtherSkinMenuIndex) return {};
    if (!IsMenuIndex(index)) index = 0;
    return programDir + QStringLiteral("/skin/") + SkinMenuCaption(index) + QStringLiteral(".she");
}

QString DefaultSkinFile(const QString& programDir) {
    return programDir + QStringLiteral("/skin.she");
}

bool ApplySkinFile(const QString& path) {
    if (path.isEmpty() || !qApp) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    QStringDecoder decode(QStringDecoder::Utf8);  // drops a leading byte-order mark
    const QString sheet = decode(bytes);
    qApp->setStyleSheet(sheet);
    return true;
}

SkinMenuState::SkinMenuState(QString programDir, PathAction apply, PathAction persist)
    : programDir_(std::move(programDir)), apply_(std::move(apply)), persist_(std::move(persist)) {}

SkinChoice SkinMenuState::click(int index, const QString& currentSkinFileName, const Chooser& chooser) {
    SkinChoice choice;
    checked_ = IsMenuIndex(index) ? index : -1;
    choice.checkedIndex = checked_;

    if (index == kOtherSkinMenuIndex) {
        std::optional<QString> picked;
        if (chooser) picked = chooser();
        choice.skinFileName = picked ? *picked : currentSkinFileName;
    } else {
        choice.skinFileName = SkinFileForMenuIndex(programDir_, index);
    }

    if (!choice.skinFileName.isEmpty()) {
        if (apply_) apply_(choice.skinFileName);
        if (persist_) persist_(choice.skinFileName);
        choice.appliedAndSaved = true;
    }
    return choice;
}

}  // namespace tavu
