#pragma once

#include <QWidget>

namespace lumeno {

class ActivityIndicator;

// The toolbar's spinner: a running orange indicator in a 24 x 24 box. Hide it, and the toolbar
// closes up with no gap.
class OCRLoading : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSide = 24;

    explicit OCRLoading(QWidget *parent = nullptr);

    ActivityIndicator *indicator() const { return m_indicator; }

private:
    ActivityIndicator *m_indicator;
};

} // namespace lumeno
