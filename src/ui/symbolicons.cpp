#include "ui/symbolicons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

// The icons live in a static library, so their resources are registered by hand.
static void registerSymbolResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace slatewick {

namespace {

QString resourcePath(const QString &name)
{
    static const bool registered = (registerSymbolResources(), true);
    (void)registered;
    return QStringLiteral(":/symbols/%1.svg").arg(name);
}

} // namespace

const QStringList &SymbolIcons::names()
{
    static const QStringList all{
        QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("arrow.triangle.2.circlepath"),
        QStringLiteral("checkmark.circle.fill"),         QStringLiteral("tray.and.arrow.down.fill"),
        QStringLiteral("slider.horizontal.3"),           QStringLiteral("clock.fill"),
        QStringLiteral("internaldrive.fill"),            QStringLiteral("network"),
        QStringLiteral("trash.fill"),                    QStringLiteral("eject.fill"),
        QStringLiteral("checkmark"),                     QStringLiteral("arrow.down.doc.fill"),
        QStringLiteral("wrench.and.screwdriver"),        QStringLiteral("checkmark.seal.fill"),
        QStringLiteral("waveform.path.ecg"),             QStringLiteral("gearshape"),
        QStringLiteral("memorychip"),                    QStringLiteral("eye.fill"),
        QStringLiteral("tray"),
    };
    return all;
}

QIcon SymbolIcons::icon(const QString &name)
{
    // One QIcon per name, so repeated redraws share the rendered pixmaps.
    static QHash<QString, QIcon> cache;
    auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    QIcon icon;
    if (names().contains(name))
        icon = QIcon(resourcePath(name));
    cache.insert(name, icon);
    return icon;
}

QPixmap SymbolIcons::pixmap(const QString &name, int size, qreal devicePixelRatio)
{
    const int pixels = static_cast<int>(std::lround(size * devicePixelRatio));
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    if (names().contains(name)) {
        QSvgRenderer renderer(resourcePath(name));
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace slatewick
