#include "ui/selectabletext.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

#include <cmath>

namespace slatewick {

SelectableText::SelectableText(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::ClickFocus);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &SelectableText::fitHeight);
}

void SelectableText::setText(const QString &text)
{
    if (text == toPlainText())
        return;
    setPlainText(text);
    fitHeight();
}

QSize SelectableText::sizeHint() const
{
    return {QTextEdit::sizeHint().width(), height()};
}

QSize SelectableText::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 8, height()};
}

void SelectableText::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    fitHeight();
}

// The widget is exactly as tall as its wrapped text at the current width.
void SelectableText::fitHeight()
{
    const int lines = std::max(1, static_cast<int>(std::ceil(document()->size().height())));
    const int wanted = std::max(lines, fontMetrics().lineSpacing()) + contentsMargins().top() +
                       contentsMargins().bottom();
    if (wanted != height())
        setFixedHeight(wanted);
}

} // namespace slatewick
