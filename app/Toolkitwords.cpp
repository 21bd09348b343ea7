// SPDX-License-Identifier: MIT
#include "Toolkitwords.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QTranslator* InstallToolkitWords()
{
    auto* words = new QTranslator(QCoreApplication::instance());
    if (!words->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(words)) {
        delete words;
        return nullptr;
    }
    return words;
}
