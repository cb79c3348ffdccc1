#pragma once

#include "ui/sectionbox.h"

class QCheckBox;
class QLabel;
class QToolButton;

namespace slatewick {

class DrainModel;

// "Transfer policy": clearing, launch at login and the accidental-insertion wait,
// each written into the model's settings as soon as it is changed.
class SettingsSection : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsSection)

public:
    static constexpr int minimumWait = 2;
    static constexpr int maximumWait = 60;

    explicit SettingsSection(DrainModel &model, QWidget *parent = nullptr);

    void refresh();

private:
    void stepWait(int step);

    DrainModel &m_model;
    QCheckBox *m_clear;
    QCheckBox *m_launch;
    QLabel *m_launchMessage;
    QLabel *m_wait;
    QToolButton *m_decrement;
    QToolButton *m_increment;
};

} // namespace slatewick
