#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace slatewick {

class DrainModel;
class ElidedLabel;

// The remote-folder line with its "Choose…" button, and the batch-folder
// template field with a live example or the reason it is refused.
class RemotePicker : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemotePicker)

public:
    explicit RemotePicker(DrainModel &model, QWidget *parent = nullptr);

    void refresh();

signals:
    void chooseRequested();

private:
    void templateEdited(const QString &text);

    DrainModel &m_model;
    ElidedLabel *m_folder;
    QLabel *m_folderProblem;
    QLineEdit *m_template;
    ElidedLabel *m_example;
    QLabel *m_tokens;
    QLabel *m_refused;
};

} // namespace slatewick
