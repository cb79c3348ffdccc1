#include "ui/quitconfirmation.h"

#include "coordinator/drainmodel.h"
#include "coordinator/drainsunderway.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace slatewick {

QuitConfirmation::QuitConfirmation(const DrainModel &model)
    : m_model(model)
    , m_question([this](QWidget *parent) { return askWithDialog(parent); })
{
}

bool QuitConfirmation::mayQuit(QWidget *parent) const
{
    return m_sessionEnding || !drainsUnderWay(m_model) || m_question(parent);
}

bool QuitConfirmation::askWithDialog(QWidget *parent) const
{
    QMessageBox box(QMessageBox::Question, tr("Quit Slatewick?"),
                    tr("A card is still being drained. Quitting now stops the drain before it is finished."),
                    QMessageBox::NoButton, parent);
    QPushButton *quit = box.addButton(tr("Quit"), QMessageBox::DestructiveRole);
    QPushButton *keep = box.addButton(tr("Keep Draining"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setObjectName(QStringLiteral("quitQuestion"));
    bool drainsEnded = false;
    // Looked at once the change has settled: a job leaves the model just after its last row.
    QObject::connect(&m_model, &DrainModel::activitiesChanged, &box, [&] {
        QTimer::singleShot(0, &box, [&] {
            if (drainsUnderWay(m_model))
                return;
            drainsEnded = true;
            box.reject();
        });
    });
    box.exec();
    return drainsEnded || box.clickedButton() == static_cast<QAbstractButton *>(quit);
}

} // namespace slatewick
