#include "ui/cachesection.h"

#include "coordinator/cachespace.h"
#include "coordinator/upkeeppresenter.h"
#include "model/bytesize.h"
#include "ui/plainwidgets.h"
#include "ui/textstyle.h"

#include <QComboBox>
#include <QMessageBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace slatewick {

namespace {

QString fromUtf8(const std::string &text) { return QString::fromStdString(text); }

QLabel *cacheCaption(const char *name)
{
    QLabel *label = wrappedLabel(name);
    TextStyle::caption(label);
    return label;
}

QString batchLine(const CacheBatch &batch)
{
    const QString size = fromUtf8(formattedSize(batch.bytes));
    const QString name = fromUtf8(batch.folder.filename().string());
    if (!batch.complete)
        return CacheSection::tr("%1 \u2014 %2 \u2014 incomplete, not offered").arg(name, size);
    if (!batch.serverBatchThere)
        return CacheSection::tr("%1 \u2014 %2 \u2014 no server batch, not offered").arg(name, size);
    return QStringLiteral("%1 \u2014 %2").arg(name, size);
}

} // namespace

CacheSection::CacheSection(QWidget *parent)
    : SectionBox(tr("Local cache"), QStringLiteral("internaldrive.fill"), 8, parent)
    , m_summary(cacheCaption("cacheSummary"))
    , m_warning(cacheCaption("cacheWarning"))
    , m_toggle(actionButton(tr("Free cache space"), "cacheFreeToggle"))
    , m_freeing(new QWidget)
    , m_batches(cacheCaption("cacheBatches"))
    , m_amount(new QComboBox)
    , m_remove(new QPushButton(tr("Remove from the cache")))
    , m_removeIncomplete(new QPushButton(tr("Remove incomplete folders\u2026")))
    , m_report(cacheCaption("cacheFreeingReport"))
{
    setObjectName(QStringLiteral("cacheSpace"));
    m_amount->setObjectName(QStringLiteral("cacheFreeAmount"));
    m_amount->setAccessibleName(tr("How much to free"));
    m_batches->setAccessibleName(tr("Batches in the local cache"));
    m_remove->setObjectName(QStringLiteral("cacheFreeRemove"));
    m_removeIncomplete->setObjectName(QStringLiteral("cacheRemoveIncomplete"));
    TextStyle::colored(m_warning, TextStyle::orange());
    TextStyle::secondary(m_batches);

    auto *freeing = new QVBoxLayout(m_freeing);
    freeing->setContentsMargins(0, 0, 0, 0);
    freeing->addWidget(m_batches);
    freeing->addWidget(m_amount);
    freeing->addWidget(m_remove, 0, Qt::AlignLeft);
    freeing->addWidget(m_removeIncomplete, 0, Qt::AlignLeft);
    content()->addWidget(m_summary);
    content()->addWidget(m_warning);
    content()->addWidget(m_toggle, 0, Qt::AlignLeft);
    content()->addWidget(m_freeing);
    content()->addWidget(m_report);
    connect(m_toggle, &QPushButton::clicked, this, [this] { setFreeingShown(!m_freeingShown); });
    connect(m_remove, &QPushButton::clicked, this, &CacheSection::removeChosen);
    connect(m_removeIncomplete, &QPushButton::clicked, this, &CacheSection::removeIncomplete);
    setVisible(false);
}

void CacheSection::setCacheSpace(CacheSpace *space)
{
    if (m_space)
        disconnect(m_space, nullptr, this, nullptr);
    m_space = space;
    setVisible(m_space != nullptr);
    if (m_space) {
        connect(m_space, &CacheSpace::changed, this, &CacheSection::redraw);
        m_space->reload();
    }
    redraw();
}

void CacheSection::refresh()
{
    if (m_space)
        m_space->reload();
}

void CacheSection::setFreeingShown(bool shown)
{
    m_freeingShown = shown;
    // Batches may have reached the server since the last look.
    if (m_freeingShown && m_space)
        m_space->reload();
    redraw();
}

void CacheSection::redraw()
{
    const CacheSurvey *survey = m_space && m_space->survey() ? &*m_space->survey() : nullptr;
    m_summary->setText(survey ? UpkeepPresenter::cacheSummary(*survey) : tr("Reading the cache\u2026"));
    m_warning->setText(survey ? UpkeepPresenter::cacheWarning(*survey) : QString());
    m_warning->setVisible(!m_warning->text().isEmpty());
    m_toggle->setText(m_freeingShown ? tr("Hide") : tr("Free cache space"));
    m_freeing->setVisible(m_freeingShown && survey);
    m_report->setText(m_space ? UpkeepPresenter::freeing(m_space->report()) : QString());
    m_report->setVisible(!m_report->text().isEmpty());
    if (!survey)
        return;

    QStringList lines;
    for (const CacheBatch &batch : survey->batches)
        lines << batchLine(batch);
    m_batches->setText(lines.isEmpty() ? tr("No batches in the local cache.") : lines.join(u'\n'));
    // Each choice is a run of the oldest batches the server holds; its size is what goes.
    const int chosen = m_amount->currentIndex();
    m_amount->clear();
    std::int64_t total = 0;
    const std::vector<CacheBatch> offered = survey->offered();
    for (std::size_t count = 1; count <= offered.size(); ++count) {
        total += offered[count - 1].bytes;
        const int batches = static_cast<int>(count);
        const QString size = fromUtf8(formattedSize(total));
        m_amount->addItem(batches == 1 ? tr("Up to %1 (the oldest batch)").arg(size)
                                       : tr("Up to %1 (the oldest %n batches)", nullptr, batches).arg(size),
                          QVariant::fromValue<qint64>(total));
    }
    if (m_amount->count() > 0)
        m_amount->setCurrentIndex(std::clamp(chosen, 0, m_amount->count() - 1));
    m_amount->setEnabled(!offered.empty());
    m_remove->setEnabled(!offered.empty() && !m_space->freeing());
    const bool anyIncomplete = std::any_of(survey->batches.begin(), survey->batches.end(),
                                           [](const CacheBatch &batch) { return batch.incomplete(); });
    m_removeIncomplete->setVisible(anyIncomplete);
    m_removeIncomplete->setEnabled(!m_space->freeing());
}

void CacheSection::removeIncomplete()
{
    if (!m_space || !m_space->survey())
        return;
    std::vector<std::filesystem::path> folders;
    QStringList names;
    for (const CacheBatch &batch : m_space->survey()->batches) {
        if (batch.incomplete()) {
            folders.push_back(batch.folder);
            names << fromUtf8(batch.folder.filename().string());
        }
    }
    const auto answer = QMessageBox::question(
        this, tr("Remove incomplete folders"),
        tr("Remove %1? No drain finished them, so no card was cleared for them; the card still holds "
           "its files unless it was cleared elsewhere.")
            .arg(names.join(QStringLiteral(", "))));
    if (answer == QMessageBox::Yes)
        m_space->removeIncomplete(std::move(folders));
}

void CacheSection::removeChosen()
{
    if (!m_space || !m_space->survey() || m_amount->currentIndex() < 0)
        return;
    const std::int64_t amount = m_amount->currentData().value<qint64>();
    std::vector<std::filesystem::path> folders;
    for (const CacheBatch &batch : oldestWithin(m_space->survey()->offered(), amount))
        folders.push_back(batch.folder);
    m_space->free(std::move(folders));
}

} // namespace slatewick
