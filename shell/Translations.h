// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program in the user's language: installs the translation of Pelmor's own texts and
// Qt's translation of its standard texts (buttons, file dialogs) for the first language the
// user prefers that Pelmor has a translation for. English, the language of the sources,
// needs none; a language without a translation file leaves the program in English.

#include <QLocale>
#include <QString>
#include <QStringList>

class QTranslator;

namespace pelmor::shell {

// The folders searched for pelmor_<language>.qm, in order: "translations" beside the
// program (the build tree), then share/pelmor/translations above it (installed).
QStringList TranslationFolders();

// Installs the translators on the running application for `locale`'s preferred languages
// (on Linux QLocale::system() follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG). Answers the
// language of the translation loaded ("de"), or an empty text when the program stays
// English (English preferred first, or no translation found).
QString InstallTranslators(const QLocale& locale = QLocale::system(),
                           const QStringList& folders = TranslationFolders());

// Installs the translation in the .qm file at `path` on the running application, which owns
// it. Answers null, installing nothing, when the file is missing or not a translation.
QTranslator* InstallTranslationFile(const QString& path);

}  // namespace pelmor::shell
