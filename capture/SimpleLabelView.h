#pragma once

#include <QString>
#include <QWidget>

namespace lumeno {

// The size label of a selection: white bold text centred on a dark rounded plate.
class SimpleLabelView : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};

} // namespace lumeno
