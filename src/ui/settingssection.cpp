#include "ui/settingssection.h"

#include "coordinator/drainmodel.h"
#include "ui/textstyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace slatewick {

namespace {

QLabel *caption(const QString &text, const char *name)
{
    auto *label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    TextStyle::caption(label);
    return label;
}

QToolButton *stepButton(const QString &text, const char *name, const QString &tip)
{
    auto *button = new QToolButton;
    button->setText(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    // "−" and "+" say nothing to a screen reader.
    button->setAccessibleName(tip);
    button->setFixedSize(26, 24);
    return button;
}

} // namespace

SettingsSection::SettingsSection(DrainModel &model, QWidget *parent)
    : SectionBox(tr("Transfer policy"), QStringLiteral("gearshape"), 11, parent)
    , m_model(model)
    , m_clear(new QCheckBox(tr("Clear card contents after the local cache is verified")))
    , m_launch(new QCheckBox(tr("Start Slatewick automatically when I sign in")))
    , m_launchMessage(caption({}, "launchAtLoginMessage"))
    , m_wait(new QLabel)
    , m_decrement(stepButton(QStringLiteral("\u2212"), "waitDecrement", tr("Wait one second less")))
    , m_increment(stepButton(QStringLiteral("+"), "waitIncrement", tr("Wait one second more")))
{
    setObjectName(QStringLiteral("settingsSection"));
    m_clear->setObjectName(QStringLiteral("clearAfterCopy"));
    m_launch->setObjectName(QStringLiteral("launchAtLogin"));
    m_wait->setObjectName(QStringLiteral("waitTitle"));
    // The check mark and focus ring take the orange accent; the label keeps the text colour.
    QPalette orange = m_clear->palette();
    orange.setColor(QPalette::Text, TextStyle::orange());
    orange.setColor(QPalette::Highlight, TextStyle::orange());
    m_clear->setPalette(orange);
    TextStyle::colored(m_launchMessage, TextStyle::red());

    auto *clearNote = caption(tr("The server transfer continues safely from the local cache, so the card "
                                 "can be reused sooner."),
                              "clearNote");
    TextStyle::secondary(clearNote);
    auto *batchNote = caption(tr("Each card becomes one batch path on the cache and server; a manifest "
                                 "records the verified transfer."),
                              "batchNote");
    TextStyle::secondary(batchNote);

    connect(m_clear, &QCheckBox::clicked, this,
            [this](bool on) { m_model.editSettings([on](DrainSettings &settings) { settings.clearAfterCopy = on; }); });
    connect(m_launch, &QCheckBox::clicked, this,
            [this](bool on) { m_model.editSettings([on](DrainSettings &settings) { settings.launchAtLogin = on; }); });
    connect(m_decrement, &QToolButton::clicked, this, [this] { stepWait(-1); });
    connect(m_increment, &QToolButton::clicked, this, [this] { stepWait(+1); });

    auto *stepper = new QHBoxLayout;
    stepper->setSpacing(4);
    stepper->addWidget(m_wait);
    stepper->addSpacing(6);
    stepper->addWidget(m_decrement);
    stepper->addWidget(m_increment);
    stepper->addStretch();

    content()->addWidget(m_clear);
    content()->addWidget(clearNote);
    content()->addWidget(m_launch);
    content()->addWidget(m_launchMessage);
    content()->addLayout(stepper);
    content()->addWidget(batchNote);
    refresh();
}

void SettingsSection::refresh()
{
    const DrainSettings &settings = m_model.settings();
    {
        const QSignalBlocker clearBlocker(m_clear);
        const QSignalBlocker launchBlocker(m_launch);
        m_clear->setChecked(settings.clearAfterCopy);
        m_launch->setChecked(settings.launchAtLogin);
    }
    const std::optional<std::string> &message = m_model.launchAtLoginMessage();
    m_launchMessage->setVisible(message.has_value());
    m_launchMessage->setText(message ? QString::fromStdString(*message) : QString());

    const std::int64_t wait = settings.gracePeriodSeconds;
    m_wait->setText(tr("Accidental-insertion wait: %n seconds", nullptr, static_cast<int>(wait)));
    m_decrement->setEnabled(wait > minimumWait);
    m_increment->setEnabled(wait < maximumWait);
}

// A stored value outside the range (only possible from an edited settings file)
// is brought back inside by the first step.
void SettingsSection::stepWait(int step)
{
    const std::int64_t current = m_model.settings().gracePeriodSeconds;
    const std::int64_t base = std::clamp<std::int64_t>(current, minimumWait - 1, maximumWait + 1);
    const std::int64_t next = std::clamp<std::int64_t>(base + step, minimumWait, maximumWait);
    if (next == current)
        return;
    m_model.editSettings([next](DrainSettings &settings) { settings.gracePeriodSeconds = next; });
}

} // namespace slatewick
