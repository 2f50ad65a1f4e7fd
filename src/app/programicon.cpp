#include "app/programicon.h"

#include <QDirIterator>
#include <QString>

namespace tavu {

QIcon ProgramIcon() {
    QIcon builtIn;
    QDirIterator it(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) builtIn.addFile(it.next());
    return QIcon::fromTheme(QString::fromLatin1(kDesktopId), builtIn);
}

}  // namespace tavu
