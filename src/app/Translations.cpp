#include "app/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

// The compiled translations are resources of this static library: registered before their first use.
static void registerTranslations() {
    Q_INIT_RESOURCE(translations);
}

namespace translations {

namespace {

void uninstall(std::unique_ptr<QTranslator>& slot) {
    if (slot)
        QCoreApplication::removeTranslator(slot.get());
    slot.reset();
}

// Loads base_<language of locale>.qm from directory into the slot and installs it. Returns whether one was found.
bool installInto(std::unique_ptr<QTranslator>& slot, const QLocale& locale, const QString& base,
                 const QString& directory) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, base, QStringLiteral("_"), directory))
        return false;
    QCoreApplication::installTranslator(translator.get());
    slot = std::move(translator);
    return true;
}

} // namespace

QString install(const QLocale& locale) {
    static std::unique_ptr<QTranslator> qtTexts;
    static std::unique_ptr<QTranslator> ownTexts;
    registerTranslations();
    uninstall(qtTexts);
    uninstall(ownTexts);
    // English is the language of the sources. Qt's own texts follow only a language the program speaks too, so
    // that a window never mixes two languages besides its English captions.
    if (locale.language() == QLocale::English || locale.language() == QLocale::C ||
        !installInto(ownTexts, locale, QStringLiteral("glymconf"), QStringLiteral(":/i18n")))
        return {};
    installInto(qtTexts, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return QFileInfo(ownTexts->filePath()).completeBaseName();
}

} // namespace translations
