#include "ui/setupcard.h"

#include "ui/remotepicker.h"
#include "ui/slotpicker.h"
#include "ui/textstyle.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace slatewick {

SetupCard::SetupCard(DrainModel &model, QWidget *parent)
    : SectionBox(tr("Slatewick setup"), QStringLiteral("wrench.and.screwdriver"), 10, parent)
    , m_slots(new SlotPicker(model))
    , m_remote(new RemotePicker(model))
    , m_done(new QPushButton(tr("Done")))
{
    setObjectName(QStringLiteral("setupCard"));
    auto *heading = new QLabel(tr("Finish setup"));
    TextStyle::headline(heading);
    auto *explanation = new QLabel(tr("Insert a card into each reader slot you want to automate, select "
                                       "those slots below, then choose a mounted remote-server folder."));
    explanation->setWordWrap(true);
    TextStyle::secondary(explanation);
    connect(m_remote, &RemotePicker::chooseRequested, this, &SetupCard::chooseRequested);

    content()->addWidget(heading);
    content()->addWidget(explanation);
    content()->addWidget(m_slots);
    content()->addWidget(m_remote);
    m_done->setObjectName(QStringLiteral("slotsDone"));
    m_done->setVisible(false);
    connect(m_done, &QPushButton::clicked, this, &SetupCard::doneRequested);
    content()->addWidget(m_done, 0, Qt::AlignRight);
}

void SetupCard::setEditing(bool editing)
{
    m_done->setVisible(editing);
}

void SetupCard::refreshCards()
{
    m_slots->refresh();
}

void SetupCard::refreshSettings()
{
    m_slots->refresh();
    m_remote->refresh();
}

} // namespace slatewick
