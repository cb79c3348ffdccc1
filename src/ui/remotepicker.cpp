#include "ui/remotepicker.h"

#include "coordinator/drainmodel.h"
#include "model/batchpath.h"
#include "ui/elidedlabel.h"
#include "ui/plainwidgets.h"
#include "ui/textstyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace slatewick {

namespace {

QLabel *captionLabel(const char *name, const QString &text = {})
{
    QLabel *label = wrappedLabel(name, text);
    TextStyle::caption(label);
    return label;
}

QFrame *divider()
{
    auto *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

RemotePicker::RemotePicker(DrainModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_folder(new ElidedLabel)
    , m_folderProblem(captionLabel("remoteFolderProblem"))
    , m_template(new QLineEdit)
    , m_example(new ElidedLabel)
    , m_tokens(captionLabel("templateTokens",
                            tr("Use / to create subfolders. Tokens: {date}, {card}, {volume}, {batch}.")))
    , m_refused(captionLabel("templateRefused", tr("Use a relative path; . and .. are not allowed.")))
{
    auto *folderTitle = new QLabel(tr("Remote server folder"));
    TextStyle::subheadline(folderTitle);
    m_folder->setObjectName(QStringLiteral("remoteFolder"));
    auto *choose = new QPushButton(tr("Choose\u2026"));
    choose->setObjectName(QStringLiteral("chooseRemote"));
    choose->setAccessibleName(tr("Choose the remote server folder"));
    connect(choose, &QPushButton::clicked, this, &RemotePicker::chooseRequested);

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1, Qt::AlignVCenter);
    folderRow->addWidget(choose, 0, Qt::AlignVCenter);

    auto *templateTitle = new QLabel(tr("Batch folder template"));
    TextStyle::subheadline(templateTitle);
    m_template->setObjectName(QStringLiteral("namingTemplate"));
    m_template->setAccessibleName(tr("Batch folder template"));
    m_template->setPlaceholderText(tr("e.g. {date}/{card}/{batch}"));
    m_template->setClearButtonEnabled(false);
    // textEdited, not textChanged: only the user's typing is written back.
    connect(m_template, &QLineEdit::textEdited, this, &RemotePicker::templateEdited);
    m_example->setObjectName(QStringLiteral("templateExample"));
    TextStyle::captionMonospaced(m_example);
    TextStyle::secondary(m_example);
    TextStyle::secondary(m_tokens);
    TextStyle::colored(m_refused, TextStyle::red());

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(folderTitle);
    column->addLayout(folderRow);
    TextStyle::colored(m_folderProblem, TextStyle::orange());
    column->addWidget(m_folderProblem);
    column->addSpacing(2);
    column->addWidget(divider());
    column->addSpacing(2);
    column->addWidget(templateTitle);
    column->addWidget(m_template);
    column->addWidget(m_example);
    column->addWidget(m_tokens);
    column->addWidget(m_refused);
    refresh();
}

void RemotePicker::refresh()
{
    const DrainSettings &settings = m_model.settings();
    const bool hasFolder = !settings.remoteDirectory.empty();
    m_folder->setText(hasFolder ? QString::fromStdString(settings.remoteDirectory) : tr("Not selected"));
    m_folder->setToolTip(hasFolder ? m_folder->text() : QString());
    if (hasFolder)
        TextStyle::primary(m_folder);
    else
        TextStyle::secondary(m_folder);

    const std::optional<std::string> problem = m_model.serverFolderProblem();
    m_folderProblem->setVisible(problem.has_value());
    m_folderProblem->setText(QString::fromStdString(problem.value_or("")));

    // Setting the text while the user types would move the cursor; only an outside change is copied in.
    const QString stored = QString::fromStdString(settings.namingTemplate);
    if (m_template->text() != stored)
        m_template->setText(stored);

    const std::optional<std::string> example = BatchPath::example(settings.namingTemplate);
    m_example->setVisible(example.has_value());
    m_tokens->setVisible(example.has_value());
    m_refused->setVisible(!example.has_value());
    if (example)
        m_example->setText(tr("Example: ") + QString::fromStdString(*example));
}

void RemotePicker::templateEdited(const QString &text)
{
    const std::string typed = text.toStdString();
    m_model.editSettings([&](DrainSettings &settings) { settings.namingTemplate = typed; });
}

} // namespace slatewick
