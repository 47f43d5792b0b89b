#pragma once

#include <QWidget>

namespace lumeno {

class ActivityIndicator;

// A self-contained "LOADING" panel: an orange spinner above the word on a 140 x 140 rounded
// square. When not visible at construction it stays hidden and takes no room.
class LoadingIndicator : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSide = 140;

    LoadingIndicator(bool showLoadingIndicator, bool isVisible, QWidget *parent = nullptr);

    ActivityIndicator *indicator() const { return m_indicator; }

    bool showLoadingIndicator() const;
    void setShowLoadingIndicator(bool show);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ActivityIndicator *m_indicator;
};

} // namespace lumeno
