#pragma once

#include <QString>

// Installs the translation of the library's texts for the user's language
// (the first of the locale's interface languages that the library has), or
// for `language` when one is named; an empty name removes it. False when
// the library has no translation for it. Needs a QCoreApplication.
bool InstallLibraryTranslation(const QString& language = QString());
