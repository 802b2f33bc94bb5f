#pragma once

#include <QLocale>
#include <QString>

// The program's texts are English in the sources. A translation (translations/glymconf_<language>.ts, compiled
// into the program as :/i18n/glymconf_<language>.qm) replaces its hints and messages; the captions of the window
// and the messages the proxy's documents name stay as they are in every language.
namespace translations {

// Installs in the running application the program's translation for locale and Qt's own (qtbase_<language> from
// the system's Qt translations, when installed), in place of what an earlier call installed. Windows made
// afterwards show it. Returns the name of the translation installed ("glymconf_ru"), or an empty string when the
// texts stay English.
QString install(const QLocale& locale);

} // namespace translations
