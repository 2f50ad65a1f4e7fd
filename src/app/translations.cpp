#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavu {

bool InstallChineseQtTranslations(QCoreApplication* app) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* qt = new QTranslator(app);
    if (!qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

}  // namespace tavu
