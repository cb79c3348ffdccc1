#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace slatewick {

// Slatewick's own translation and Qt's (for its dialogs and standard buttons) for
// one locale, installed on the application for as long as this lives. The English
// texts in the code are the source: a locale without a translation keeps them.
class Translators final {
public:
    Translators(const QLocale &locale, const QString &programFolder);
    ~Translators();
    Q_DISABLE_COPY_MOVE(Translators)

    bool ownLoaded() const { return m_ownLoaded; }
    bool qtLoaded() const { return m_qtLoaded; }

    // Where the program's .qm files lie: beside a program in its build folder, else
    // in the share folder of the prefix it is installed under.
    static QStringList folders(const QString &programFolder);

private:
    QTranslator m_own;
    QTranslator m_qt;
    bool m_ownLoaded = false;
    bool m_qtLoaded = false;
};

} // namespace slatewick
