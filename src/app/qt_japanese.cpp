#include "app/qt_japanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace corvane {

bool installQtJapanese() {
    // Lives as long as the application: Qt keeps only a pointer.
    static QTranslator translator;
    if (!translator.load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace corvane
