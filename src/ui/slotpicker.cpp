#include "ui/slotpicker.h"

#include "coordinator/drainmodel.h"
#include "ui/symbolicons.h"
#include "ui/plainwidgets.h"
#include "ui/textstyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace slatewick {

namespace {

// Rows are replaced while one of their own buttons may still be emitting
// its signal, so they are hidden at once and deleted later.
void clearLayout(QVBoxLayout *layout)
{
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

QString slotDetails(const InsertedCard &card)
{
    const QString separator = QStringLiteral(" \u00B7 ");
    return QString::fromStdString(card.vendor) + separator + QString::fromStdString(card.model) + separator +
           QString::fromStdString(card.fingerprint);
}

std::vector<CardSlot> slotsWithoutCard(const DrainSettings &settings, const std::vector<InsertedCard> &cards)
{
    std::vector<CardSlot> kept;
    for (const CardSlot &slot : settings.watchedSlots) {
        const bool inserted = std::any_of(cards.begin(), cards.end(), [&](const InsertedCard &card) {
            return card.fingerprint == slot.fingerprint;
        });
        if (!inserted)
            kept.push_back(slot);
    }
    return kept;
}

} // namespace

SlotPicker::SlotPicker(DrainModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_empty(new QLabel(tr("No removable cards are mounted. Insert a card to teach Slatewick its reader slot.")))
    , m_cardRows(new QVBoxLayout)
    , m_forgetRows(new QVBoxLayout)
{
    auto *title = new QLabel(tr("Reader slots"));
    TextStyle::subheadline(title);
    m_empty->setObjectName(QStringLiteral("noCardsHint"));
    m_empty->setWordWrap(true);
    TextStyle::caption(m_empty);
    TextStyle::secondary(m_empty);
    m_cardRows->setSpacing(7);
    m_forgetRows->setSpacing(7);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);
    column->addWidget(title);
    column->addWidget(m_empty);
    column->addLayout(m_cardRows);
    column->addLayout(m_forgetRows);
    refresh();
}

void SlotPicker::refresh()
{
    const std::vector<InsertedCard> &cards = m_model.removableCards();
    m_empty->setVisible(cards.empty());
    if (cards != m_shownCards)
        rebuildCards();
    syncToggles();
    if (slotsWithoutCard(m_model.settings(), cards) != m_shownForgotten)
        rebuildForgetRows();
}

void SlotPicker::rebuildCards()
{
    clearLayout(m_cardRows);
    m_toggles.clear();
    m_shownCards = m_model.removableCards();
    for (const InsertedCard &card : m_shownCards)
        m_cardRows->addWidget(makeCardToggle(card));
}

void SlotPicker::syncToggles()
{
    for (std::size_t i = 0; i < m_toggles.size(); ++i) {
        const QSignalBlocker blocker(m_toggles[i]);
        m_toggles[i]->setChecked(m_model.isWatched(m_shownCards[i]));
    }
}

QWidget *SlotPicker::makeCardToggle(const InsertedCard &card)
{
    auto *row = new QWidget;
    // A button reads "&" as the mark of a keyboard shortcut; "&&" shows it as written.
    QString name = QString::fromStdString(card.displayName);
    auto *toggle = new QCheckBox(name.replace(QLatin1Char('&'), QStringLiteral("&&")));
    toggle->setObjectName(QStringLiteral("slotToggle"));
    auto *details = new QLabel(slotDetails(card));
    details->setObjectName(QStringLiteral("slotDetails"));
    details->setTextFormat(Qt::PlainText);
    details->setWordWrap(true);
    TextStyle::caption(details);
    TextStyle::secondary(details);
    // The second line sits under the first, past the check box's indicator.
    const int indent = toggle->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       toggle->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    details->setContentsMargins(indent, 0, 0, 0);

    auto *lines = new QVBoxLayout(row);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    lines->addWidget(toggle);
    lines->addWidget(details);

    // The model flips the slot's membership itself; the box's own new value is not used.
    connect(toggle, &QCheckBox::clicked, this, [this, card, toggle] {
        m_model.toggleSlot(card);
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(m_model.isWatched(card));
    });
    m_toggles.push_back(toggle);
    return row;
}

void SlotPicker::rebuildForgetRows()
{
    clearLayout(m_forgetRows);
    m_shownForgotten = slotsWithoutCard(m_model.settings(), m_model.removableCards());
    for (const CardSlot &slot : m_shownForgotten)
        m_forgetRows->addWidget(makeForgetRow(slot));
}

QWidget *SlotPicker::makeForgetRow(const CardSlot &slot)
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("forgetRow"));
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("memorychip"), 16, devicePixelRatioF()));
    QLabel *label = wrappedLabel("forgetLabel", QString::fromStdString(slot.label));
    TextStyle::caption(label);
    QPushButton *forget = actionButton(tr("Forget"), "forgetSlot");
    connect(forget, &QPushButton::clicked, this, [this, slot] { m_model.removeSlot(slot); });

    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addWidget(label, 1, Qt::AlignVCenter);
    layout->addWidget(forget, 0, Qt::AlignVCenter);
    return row;
}

} // namespace slatewick
