#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include <string>

namespace slatewick {

// The program's own icon for each symbol name the interface uses, so it
// looks complete without an icon theme. Main thread only.
class SymbolIcons {
public:
    // Every name that has an icon.
    static const QStringList &names();
    // The icon for a name; a null icon for a name that has none.
    static QIcon icon(const QString &name);
    static QIcon icon(const std::string &name) { return icon(QString::fromStdString(name)); }
    // The icon rendered at a size in device-independent pixels, sharp on high-density screens.
    static QPixmap pixmap(const QString &name, int size, qreal devicePixelRatio = 1.0);
};

} // namespace slatewick
