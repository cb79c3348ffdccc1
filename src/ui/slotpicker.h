#pragma once

#include "model/cardslot.h"
#include "model/insertedcard.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace slatewick {

class DrainModel;

// The reader-slot list of the setup card: one switch per mounted card, and a
// "Forget" row for each watched slot whose card is not inserted.
class SlotPicker : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlotPicker)

public:
    explicit SlotPicker(DrainModel &model, QWidget *parent = nullptr);

    void refresh();

private:
    void rebuildCards();
    void rebuildForgetRows();
    QWidget *makeCardToggle(const InsertedCard &card);
    QWidget *makeForgetRow(const CardSlot &slot);
    void syncToggles();

    DrainModel &m_model;
    QLabel *m_empty;
    QVBoxLayout *m_cardRows;
    QVBoxLayout *m_forgetRows;
    std::vector<InsertedCard> m_shownCards;
    std::vector<QCheckBox *> m_toggles;
    std::vector<CardSlot> m_shownForgotten;
};

} // namespace slatewick
