#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace slatewick {

// A titled card of the dashboard: a symbol and a title above a column of content.
class SectionBox : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SectionBox)

public:
    SectionBox(const QString &title, const QString &symbol, int spacing, QWidget *parent = nullptr);

    QVBoxLayout *content() const { return m_content; }
    QString title() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_title;
    QVBoxLayout *m_content;
};

} // namespace slatewick
