#include "ui/activityrow.h"

#include "coordinator/presenter.h"
#include "ui/phasestyle.h"
#include "ui/plainwidgets.h"
#include "ui/selectabletext.h"
#include "ui/symbolicons.h"
#include "ui/textstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace slatewick {

namespace {

constexpr int progressSteps = 1000;

} // namespace

ActivityRow::ActivityRow(const CardActivity &activity, std::function<void()> dismiss, QWidget *parent)
    : QWidget(parent)
    , m_activity(activity)
    , m_dismiss(std::move(dismiss))
    , m_symbol(new QLabel)
    , m_name(wrappedLabel("activityName"))
    , m_phase(wrappedLabel("activityPhase"))
    , m_detail(new SelectableText)
    , m_progress(new QProgressBar)
    , m_batchPath(new SelectableText)
    , m_openButton(actionButton(tr("Open folder"), "activityOpenFolder"))
    , m_progressLine(wrappedLabel("activityProgressLine"))
    , m_skipButton(new QPushButton(tr("Skip this card")))
    , m_drainAgainButton(new QPushButton(tr("Drain again")))
    , m_tryNowButton(new QPushButton(tr("Try now")))
    , m_sendToNewFolderButton(new QPushButton(tr("Send to the new folder")))
    , m_dismissButton(actionButton(tr("Dismiss"), "activityDismiss"))
{
    m_symbol->setObjectName(QStringLiteral("activitySymbol"));
    m_symbol->setFixedWidth(24);
    m_symbol->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_progress->setObjectName(QStringLiteral("activityProgress"));
    m_progress->setRange(0, progressSteps);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(7);
    // The detail may hold a long path from a file-system error; it wraps anywhere and can be copied.
    m_detail->setObjectName(QStringLiteral("activityDetail"));
    m_batchPath->setObjectName(QStringLiteral("activityBatchPath"));
    TextStyle::headline(m_name);
    TextStyle::subheadline(m_phase);
    TextStyle::caption(m_detail);
    TextStyle::secondary(m_detail);
    TextStyle::smallCaption(m_batchPath);
    TextStyle::secondary(m_batchPath);
    connect(m_openButton, &QPushButton::clicked, this, [this] {
        if (m_openFolder && m_activity.batchURL)
            m_openFolder(*m_activity.batchURL);
    });
    TextStyle::caption(m_progressLine);
    TextStyle::secondary(m_progressLine);
    m_skipButton->setObjectName(QStringLiteral("activitySkip"));
    connect(m_skipButton, &QPushButton::clicked, this, [this] {
        if (m_skip)
            m_skip();
    });
    m_drainAgainButton->setObjectName(QStringLiteral("activityDrainAgain"));
    connect(m_drainAgainButton, &QPushButton::clicked, this, [this] {
        if (m_drainAgain)
            m_drainAgain();
    });
    m_tryNowButton->setObjectName(QStringLiteral("activityTryNow"));
    m_sendToNewFolderButton->setObjectName(QStringLiteral("activitySendToNewFolder"));
    connect(m_tryNowButton, &QPushButton::clicked, this, [this] {
        if (m_tryNow)
            m_tryNow();
    });
    connect(m_sendToNewFolderButton, &QPushButton::clicked, this, [this] {
        if (m_sendToNewFolder)
            m_sendToNewFolder();
    });
    connect(m_dismissButton, &QPushButton::clicked, this, [this] {
        if (m_dismiss)
            m_dismiss();
    });

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_name);
    texts->addWidget(m_phase);
    texts->addWidget(m_detail);
    texts->addWidget(m_progressLine);
    texts->addWidget(m_progress);
    texts->addWidget(m_batchPath);
    texts->addWidget(m_openButton, 0, Qt::AlignLeft);
    auto *pendingActions = new QHBoxLayout;
    pendingActions->addWidget(m_skipButton);
    pendingActions->addWidget(m_drainAgainButton);
    pendingActions->addWidget(m_tryNowButton);
    pendingActions->addWidget(m_sendToNewFolderButton);
    pendingActions->addStretch();
    texts->addLayout(pendingActions);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_symbol, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(m_dismissButton, 0, Qt::AlignTop);
    redraw();
}

void ActivityRow::setActivity(const CardActivity &activity)
{
    if (activity == m_activity)
        return;
    m_activity = activity;
    redraw();
}

void ActivityRow::setOpenFolder(FolderOpener open)
{
    m_openFolder = std::move(open);
    redraw();
}

void ActivityRow::setTrying(bool trying)
{
    m_tryNowButton->setEnabled(!trying);
    m_tryNowButton->setText(trying ? tr("Trying\u2026") : tr("Try now"));
}

void ActivityRow::setPendingActions(std::function<void()> tryNow, std::function<void()> sendToNewFolder)
{
    m_tryNow = std::move(tryNow);
    m_sendToNewFolder = std::move(sendToNewFolder);
    redraw();
}

void ActivityRow::setSkip(std::function<void()> skip)
{
    m_skip = std::move(skip);
    redraw();
}

void ActivityRow::setDrainAgain(std::function<void()> drainAgain)
{
    m_drainAgain = std::move(drainAgain);
    redraw();
}

void ActivityRow::redraw()
{
    m_progressLine->setVisible(!m_activity.progressLine.empty());
    m_progressLine->setText(QString::fromStdString(m_activity.progressLine));
    m_skipButton->setVisible(m_activity.state == RowState::gracePeriod && m_skip);
    // Offered by the model only while the row's card is still in: after a drain left alone
    // at start, or after one that failed.
    m_drainAgainButton->setVisible(static_cast<bool>(m_drainAgain));
    m_drainAgainButton->setText(m_activity.phase == DrainPhase::failed ? tr("Try again") : tr("Drain again"));
    const bool pending = m_activity.state == RowState::pendingServerCopy
                         || m_activity.state == RowState::pendingOtherFolder;
    m_tryNowButton->setVisible(pending && m_tryNow);
    m_sendToNewFolderButton->setVisible(m_activity.state == RowState::pendingOtherFolder && m_sendToNewFolder);
    const PhaseStyle style = PhaseStyle::of(m_activity);
    m_symbol->setPixmap(SymbolIcons::pixmap(style.symbol, 20, devicePixelRatioF()));
    m_name->setText(QString::fromStdString(m_activity.cardName));
    m_phase->setText(Presenter::title(m_activity));
    m_detail->setText(QString::fromStdString(m_activity.detail));

    m_progress->setVisible(style.showsProgress);
    const double fraction = std::isfinite(m_activity.progress) ? std::clamp(m_activity.progress, 0.0, 1.0) : 0.0;
    m_progress->setValue(static_cast<int>(std::lround(fraction * progressSteps)));
    QPalette tint = m_progress->palette();
    tint.setColor(QPalette::Highlight, style.color);
    m_progress->setPalette(tint);

    m_batchPath->setVisible(m_activity.batchURL.has_value());
    if (m_activity.batchURL)
        m_batchPath->setText(QString::fromStdString(m_activity.batchURL->string()));
    m_openButton->setVisible(m_openFolder && m_activity.phase == DrainPhase::ready && m_activity.batchURL);
    m_dismissButton->setVisible(style.offersDismiss);
}

} // namespace slatewick
