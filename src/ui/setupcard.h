#pragma once

#include "ui/sectionbox.h"

namespace slatewick {

class DrainModel;
class RemotePicker;
class SlotPicker;

// "Slatewick setup": shown until a slot is watched and an existing remote folder is chosen.
class SetupCard : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SetupCard)

public:
    explicit SetupCard(DrainModel &model, QWidget *parent = nullptr);

    void refreshCards();
    void refreshSettings();

signals:
    void chooseRequested();

private:
    SlotPicker *m_slots;
    RemotePicker *m_remote;
};

} // namespace slatewick
