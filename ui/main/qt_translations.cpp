#include "ui/main/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace vq {

bool installQtTranslations(Language language) {
    // One translator for the whole process, owned by the application so it goes with it.
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (language == Language::English) return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // "qt" is the catalogue that gathers qtbase and the modules beside it.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qt", "_", folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

}  // namespace vq
