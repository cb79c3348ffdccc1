#include "ui/plainwidgets.h"

#include <QLabel>
#include <QPushButton>

namespace slatewick {

QLabel *wrappedLabel(const char *name, const QString &text)
{
    auto *label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLabel *wrappedLabel(const char *name) { return wrappedLabel(name, QString()); }

QPushButton *actionButton(const QString &text, const char *name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace slatewick
