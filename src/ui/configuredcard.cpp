#include "ui/configuredcard.h"

#include "coordinator/drainmodel.h"
#include "ui/plainwidgets.h"
#include "ui/selectabletext.h"
#include "ui/symbolicons.h"
#include "ui/textstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace slatewick {

ConfiguredCard::ConfiguredCard(DrainModel &model, QWidget *parent)
    : SectionBox(tr("Automated"), QStringLiteral("checkmark.seal.fill"), 8, parent)
    , m_model(model)
    , m_watching(new QLabel)
    , m_destination(new SelectableText)
    , m_unwatched(new QWidget)
{
    setObjectName(QStringLiteral("configuredCard"));
    auto *eye = new QLabel;
    eye->setPixmap(SymbolIcons::pixmap(QStringLiteral("eye.fill"), 16, devicePixelRatioF()));
    m_watching->setObjectName(QStringLiteral("watchingSlots"));
    m_destination->setObjectName(QStringLiteral("remoteDestination"));
    TextStyle::caption(m_destination);

    auto *watchingRow = new QHBoxLayout;
    watchingRow->setSpacing(6);
    watchingRow->addWidget(eye);
    watchingRow->addWidget(m_watching, 1);

    auto *change = new QPushButton(tr("Change destination\u2026"));
    change->setObjectName(QStringLiteral("changeDestination"));
    auto *refreshCards = new QPushButton(tr("Refresh cards"));
    refreshCards->setObjectName(QStringLiteral("refreshCards"));
    connect(change, &QPushButton::clicked, this, &ConfiguredCard::chooseRequested);
    connect(refreshCards, &QPushButton::clicked, this, [this] {
        m_model.refreshCards();
        m_model.recheckServerFolder();
    });
    // Slots can be added or forgotten at any time, without losing the folder or template.
    auto *changeSlots = new QPushButton(tr("Change slots\u2026"));
    changeSlots->setObjectName(QStringLiteral("changeSlots"));
    connect(changeSlots, &QPushButton::clicked, this, &ConfiguredCard::changeSlotsRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(change);
    buttons->addWidget(changeSlots);
    buttons->addWidget(refreshCards);
    buttons->addStretch();

    content()->addLayout(watchingRow);
    content()->addWidget(m_destination);
    content()->addLayout(buttons);
    m_unwatched->setObjectName(QStringLiteral("unwatchedCards"));
    new QVBoxLayout(m_unwatched);
    m_unwatched->layout()->setContentsMargins(0, 6, 0, 0);
    content()->addWidget(m_unwatched);
    refresh();
}

// A card put in a slot that is not watched would otherwise sit there without a word; the
// user is told before watching whether the drain will clear it.
void ConfiguredCard::refreshCards()
{
    // Later, not now: the click of a row's own button may be what brought us here.
    while (QLayoutItem *item = m_unwatched->layout()->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    const QString whatFollows = m_model.settings().clearAfterCopy
                                    ? tr("Watching this slot drains the card now and clears it once its copy in "
                                         "the local cache is verified.")
                                    : tr("Watching this slot drains the card now; its files stay on it.");
    for (const InsertedCard &card : m_model.removableCards()) {
        if (m_model.isWatched(card))
            continue;
        auto *row = new QWidget;
        auto *text = wrappedLabel(
            "unwatchedCard",
            tr("%1 is in a slot that is not watched.").arg(QString::fromStdString(card.displayName)) + ' '
                + whatFollows);
        auto *watch = new QPushButton(tr("Watch this slot"));
        watch->setObjectName(QStringLiteral("watchSlot"));
        connect(watch, &QPushButton::clicked, this, [this, card] { m_model.toggleSlot(card); });
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(text, 1);
        line->addWidget(watch, 0, Qt::AlignVCenter);
        m_unwatched->layout()->addWidget(row);
    }
    m_unwatched->setVisible(m_unwatched->layout()->count() > 0);
}

void ConfiguredCard::refresh()
{
    const DrainSettings &settings = m_model.settings();
    const std::size_t count = settings.watchedSlots.size();
    const int watched = static_cast<int>(count);
    m_watching->setText(watched == 1 ? tr("Watching 1 slot") : tr("Watching %n slots", nullptr, watched));
    m_destination->setText(tr("Remote destination: ") + QString::fromStdString(settings.remoteDirectory));
    refreshCards();
}

} // namespace slatewick
