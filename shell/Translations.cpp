// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace pelmor::shell {
namespace {

// The translation files name a class's texts by the class alone ("frmMain"), while tr() in
// a class inside a namespace asks with the full name ("pelmor::mainwindow::frmMain"): a text
// not found under the full name is looked up under the class name.
class ClassNameTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        if (!text.isNull() || !context) return text;
        const char* className = nullptr;
        for (const char* at = context; *at; ++at)
            if (at[0] == ':' && at[1] == ':') className = at + 2;
        return className ? QTranslator::translate(className, sourceText, disambiguation, n) : text;
    }
};

}  // namespace

QStringList TranslationFolders() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    return {programDir.filePath(QStringLiteral("translations")),
            QDir::cleanPath(programDir.filePath(QStringLiteral("../share/pelmor/translations")))};
}

QTranslator* InstallTranslationFile(const QString& path) {
    auto* app = QCoreApplication::instance();
    if (!app) return nullptr;
    auto translator = std::make_unique<ClassNameTranslator>(app);
    if (!translator->load(path)) return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

QString InstallTranslators(const QLocale& locale, const QStringList& folders) {
    auto* app = QCoreApplication::instance();
    if (!app) return QString();
    for (const QString& language : locale.uiLanguages()) {
        const QString name = QString(language).replace(QLatin1Char('-'), QLatin1Char('_'));
        if (name.startsWith(QLatin1String("en")) || name == QLatin1String("C")) return QString();
        // "de_DE" asks for pelmor_de_DE.qm, then pelmor_de.qm.
        auto translator = std::make_unique<ClassNameTranslator>(app);
        bool loaded = false;
        for (const QString& folder : folders)
            if ((loaded = translator->load(QStringLiteral("pelmor_") + name, folder))) break;
        if (!loaded) continue;
        const QString loadedLanguage = translator->language();
        QCoreApplication::installTranslator(translator.release());
        // Qt's own texts in the same language; without Qt's translations installed they stay
        // English.
        auto qt = std::make_unique<QTranslator>(app);
        if (qt->load(QLocale(name), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt.release());
        return loadedLanguage;
    }
    return QString();
}

}  // namespace pelmor::shell
