#include "ui/batchentry.h"

#include "model/bytesize.h"
#include "ui/selectabletext.h"
#include "ui/plainwidgets.h"
#include "ui/textstyle.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace slatewick {

namespace {

QString utf8(const std::string &text) { return QString::fromStdString(text); }

} // namespace

BatchEntry::BatchEntry(QWidget *parent)
    : QWidget(parent)
    , m_title(wrappedLabel("batchTitle"))
    , m_facts(wrappedLabel("batchFacts"))
    , m_paths(new SelectableText)
    , m_report(wrappedLabel("batchReport"))
    , m_open(actionButton(tr("Open folder"), "batchOpenFolder"))
    , m_recheck(actionButton(tr("Check again"), "batchRecheck"))
{
    m_paths->setObjectName(QStringLiteral("batchPaths"));
    TextStyle::headline(m_title);
    TextStyle::caption(m_facts);
    TextStyle::secondary(m_facts);
    TextStyle::smallCaption(m_paths);
    TextStyle::secondary(m_paths);
    TextStyle::caption(m_report);
    connect(m_open, &QPushButton::clicked, this, [this] { emit openRequested(m_record.folder); });
    connect(m_recheck, &QPushButton::clicked, this, [this] { emit recheckRequested(m_record.folder); });

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_open);
    buttons->addWidget(m_recheck);
    buttons->addStretch();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addWidget(m_title);
    column->addWidget(m_facts);
    column->addWidget(m_paths);
    column->addWidget(m_report);
    column->addLayout(buttons);
}

void BatchEntry::display(const RecentBatch &record, const QString &report, bool canOpen)
{
    m_record = record;
    const BatchManifest &manifest = record.manifest;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(manifest.createdAt.time_since_epoch());
    const QDateTime created = QDateTime::fromSecsSinceEpoch(seconds.count());
    m_title->setText(utf8(manifest.sourceVolume) + QStringLiteral(" \u00B7 ") +
                     QLocale().toString(created, QLocale::ShortFormat));
    m_facts->setText(tr("%n files \u00B7 %1%2", nullptr, static_cast<int>(manifest.files))
                         .arg(QString::fromStdString(formattedSize(manifest.bytes)),
                              manifest.cardCleared ? tr(" \u00B7 card cleared") : QString()));
    QString paths = tr("Cache: ") + QString::fromStdString(record.folder.string());
    if (record.freed())
        paths += tr(" (freed)");
    if (!manifest.remotePath.empty())
        paths += u'\n' + tr("Server: ") + utf8(manifest.remotePath);
    m_paths->setText(paths);
    m_report->setText(report);
    m_report->setVisible(!report.isEmpty());
    // A freed batch has no cache folder left to open.
    m_open->setVisible(canOpen && !record.freed());
}

} // namespace slatewick
