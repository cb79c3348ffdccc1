#pragma once

#include "coordinator/recentbatches.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace slatewick {

class SelectableText;

// One recent batch: card, date, files and size, both paths, "Open folder",
// "Check again" and the last check's sentence.
class BatchEntry : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BatchEntry)

public:
    explicit BatchEntry(QWidget *parent = nullptr);

    void display(const RecentBatch &record, const QString &report, bool canOpen);
    const RecentBatch &record() const { return m_record; }

signals:
    void openRequested(const std::filesystem::path &folder);
    void recheckRequested(const std::filesystem::path &folder);

private:
    RecentBatch m_record;
    QLabel *m_title;
    QLabel *m_facts;
    SelectableText *m_paths;
    QLabel *m_report;
    QPushButton *m_open;
    QPushButton *m_recheck;
};

} // namespace slatewick
