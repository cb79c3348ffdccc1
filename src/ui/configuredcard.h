#pragma once

#include "ui/sectionbox.h"

class QLabel;

namespace slatewick {

class DrainModel;
class SelectableText;

// "Automated": what is watched and where batches go, once setup is complete.
class ConfiguredCard : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfiguredCard)

public:
    explicit ConfiguredCard(DrainModel &model, QWidget *parent = nullptr);

    void refresh();
    // The mounted cards in slots that are not watched, each with "Watch this slot".
    void refreshCards();

signals:
    void chooseRequested();
    void changeSlotsRequested();

private:
    DrainModel &m_model;
    QLabel *m_watching;
    SelectableText *m_destination;
    QWidget *m_unwatched;
};

} // namespace slatewick
