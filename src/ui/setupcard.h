#pragma once

#include "ui/sectionbox.h"

class QPushButton;

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
    // Shown from the configured card to change the slots: offers "Done".
    void setEditing(bool editing);

signals:
    void chooseRequested();
    void doneRequested();

private:
    SlotPicker *m_slots;
    RemotePicker *m_remote;
    QPushButton *m_done;
};

} // namespace slatewick
