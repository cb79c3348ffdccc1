#include "app/translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace slatewick {

Translators::Translators(const QLocale &locale, const QString &programFolder)
{
    for (const QString &folder : folders(programFolder)) {
        m_ownLoaded = m_own.load(locale, QStringLiteral("slatewick"), QStringLiteral("_"), folder);
        if (m_ownLoaded)
            break;
    }
    m_qtLoaded = m_qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_qtLoaded)
        QCoreApplication::installTranslator(&m_qt);
    if (m_ownLoaded)
        QCoreApplication::installTranslator(&m_own);
}

Translators::~Translators()
{
    QCoreApplication::removeTranslator(&m_own);
    QCoreApplication::removeTranslator(&m_qt);
}

QStringList Translators::folders(const QString &programFolder)
{
    return {programFolder + QStringLiteral("/translations"),
            programFolder + QStringLiteral("/../share/slatewick/translations")};
}

} // namespace slatewick
