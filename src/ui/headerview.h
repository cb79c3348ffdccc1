#pragma once

#include <QWidget>

class QLabel;

namespace slatewick {

// The banner at the top of the dashboard; it turns green when a card is ready for reuse.
class HeaderView : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeaderView)

public:
    explicit HeaderView(QWidget *parent = nullptr);

    void setClean(bool isClean);
    bool isClean() const { return m_isClean; }

    // The 68-pixel badge: a gradient disc with a white symbol.
    static QPixmap badge(bool isClean, qreal devicePixelRatio);

private:
    void redraw();

    bool m_isClean = false;
    QLabel *m_badge;
    QLabel *m_title;
    QLabel *m_subtitle;
};

} // namespace slatewick
