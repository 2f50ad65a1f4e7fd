#include "app/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace tavu {

QString ShortenTip(const QString& text) {
    // Counted in characters: a character outside the basic plane is never cut in two.
    const QList<uint> chars = text.toUcs4();
    if (chars.size() <= 240) return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), 230) + QStringLiteral("...");
}

void OpenFolder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

void OpenTextFile(const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }

void OpenWebPage(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace tavu
