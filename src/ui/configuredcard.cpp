#include "ui/configuredcard.h"

#include "coordinator/drainmodel.h"
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
    refresh();
}

void ConfiguredCard::refresh()
{
    const DrainSettings &settings = m_model.settings();
    const std::size_t count = settings.watchedSlots.size();
    const int watched = static_cast<int>(count);
    m_watching->setText(watched == 1 ? tr("Watching 1 slot") : tr("Watching %n slots", nullptr, watched));
    m_destination->setText(tr("Remote destination: ") + QString::fromStdString(settings.remoteDirectory));
}

} // namespace slatewick
