#include "app/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace tavu {

QString ShortenTip(const QString& text) {
    if (text.size() <= 240) return text;
    return text.left(230) + QStringLiteral("...");
}

void OpenFolder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

void OpenTextFile(const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }

void OpenWebPage(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace tavu
