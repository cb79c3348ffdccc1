#include "ui/headerview.h"

#include "ui/textstyle.h"

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

using slatewick::HeaderView;
using slatewick::TextStyle;

namespace {

QString labelText(const HeaderView &header, const char *name)
{
    return header.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

// The badge's colour family, read from a pixel of the disc away from the symbol.
QColor discColor(bool isClean)
{
    return HeaderView::badge(isClean, 1.0).toImage().pixelColor(34, 6);
}

} // namespace

TEST(HeaderView, SwitchesTextsAndBadgeWithCleanState)
{
    HeaderView header;
    EXPECT_EQ(labelText(header, "headerTitle"), QStringLiteral("Slatewick"));
    EXPECT_EQ(labelText(header, "headerSubtitle"), QStringLiteral("Safe, verified card offload in the background."));

    header.setClean(true);
    EXPECT_EQ(labelText(header, "headerTitle"), QStringLiteral("THE TRAP IS CLEAN"));
    EXPECT_EQ(labelText(header, "headerSubtitle"), QStringLiteral("Green means your card is ready for reuse."));

    header.setClean(false);
    EXPECT_EQ(labelText(header, "headerTitle"), QStringLiteral("Slatewick"));
}

TEST(HeaderView, BadgeIsGreenWhenCleanAndAccentOtherwise)
{
    const QColor clean = discColor(true);
    const QColor busy = discColor(false);
    EXPECT_GT(clean.green(), clean.blue());
    EXPECT_GT(clean.green(), clean.red());
    EXPECT_GT(busy.blue(), busy.green());
    EXPECT_GT(busy.blue(), busy.red());
    EXPECT_EQ(HeaderView::badge(true, 1.0).size(), QSize(68, 68));
    // The symbol differs too, not only the disc.
    EXPECT_NE(HeaderView::badge(true, 1.0).toImage().pixelColor(34, 34).rgb(),
              HeaderView::badge(false, 1.0).toImage().pixelColor(34, 34).rgb());
}
