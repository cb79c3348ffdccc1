#include "coordinator/activitynotifier.h"

#include "coordinator/desktopservices.h"
#include "coordinator/drainmodel.h"
#include "coordinator/presenter.h"

namespace slatewick {

ActivityNotifier::ActivityNotifier(const DrainModel &model, DesktopServices &desktop, QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
{
    connect(&model, &DrainModel::notice, this, &ActivityNotifier::tell);
}

void ActivityNotifier::tell(const DrainNotice &notice)
{
    Notice words;
    switch (notice.kind) {
    case DrainNotice::Kind::mayBeTakenOut:
        words = Presenter::mayBeTakenOut(notice.cardName);
        break;
    case DrainNotice::Kind::onServer:
        words = Presenter::onServer(notice.cardName, notice.detail);
        break;
    case DrainNotice::Kind::needsAttention:
        // A failed drain has no batch: each is told.
        if (!notice.batch.empty() && !m_told.emplace(notice.batch, notice.why, notice.cause).second)
            return;
        words = Presenter::needsAttention(notice.cardName, notice.detail);
        break;
    }
    m_desktop.notify(words.title, words.body);
}

} // namespace slatewick
