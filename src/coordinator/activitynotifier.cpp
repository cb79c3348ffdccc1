#include "coordinator/activitynotifier.h"

#include "coordinator/desktopservices.h"
#include "coordinator/drainmodel.h"
#include "coordinator/presenter.h"

#include <fstream>

namespace slatewick {

ActivityNotifier::ActivityNotifier(const DrainModel &model, DesktopServices &desktop, std::filesystem::path toldFile,
                                   QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_toldFile(std::move(toldFile))
{
    if (!m_toldFile.empty()) {
        std::ifstream told(m_toldFile);
        for (std::string line; std::getline(told, line);)
            m_told.insert(line);
    }
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
        if (!notice.batch.empty()) {
            const std::string told = notice.batch + ' ' + std::to_string(static_cast<int>(notice.why)) + ' '
                                     + std::to_string(notice.cause ? static_cast<int>(*notice.cause) : -1);
            if (!m_told.insert(told).second)
                return;
            // A line lost to a crash only means the notice may come once more.
            if (!m_toldFile.empty()) {
                std::error_code ignored;
                std::filesystem::create_directories(m_toldFile.parent_path(), ignored);
                std::ofstream(m_toldFile, std::ios::app) << told << '\n';
            }
        }
        words = Presenter::needsAttention(notice.cardName, notice.detail);
        break;
    }
    m_desktop.notify(words.title, words.body);
}

} // namespace slatewick
