#include "ui/quitconfirmation.h"

#include "coordinator/drainsunderway.h"

#include <QMessageBox>
#include <QPushButton>

namespace slatewick {

QuitConfirmation::QuitConfirmation(const DrainModel &model)
    : m_model(model)
    , m_question(&QuitConfirmation::askWithDialog)
{
}

bool QuitConfirmation::mayQuit(QWidget *parent) const
{
    return m_sessionEnding || !drainsUnderWay(m_model) || m_question(parent);
}

bool QuitConfirmation::askWithDialog(QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, tr("Quit Slatewick?"),
                    tr("A card is still being drained. Quitting now stops the drain before it is finished."),
                    QMessageBox::NoButton, parent);
    QPushButton *quit = box.addButton(tr("Quit"), QMessageBox::DestructiveRole);
    QPushButton *keep = box.addButton(tr("Keep Draining"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.exec();
    return box.clickedButton() == static_cast<QAbstractButton *>(quit);
}

} // namespace slatewick
