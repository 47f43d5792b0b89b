#pragma once

#include <QWidget>

class QCheckBox;

namespace lumeno {

// The "General" page: one "Enable Sound" switch that nothing else reads and nothing stores, so
// it is on whenever the window opens.
class GeneralView : public QWidget
{
    Q_OBJECT

public:
    explicit GeneralView(QWidget *parent = nullptr);

    bool isOn() const;
    double sliderValue() const { return m_sliderValue; }
    QCheckBox *soundSwitch() const { return m_soundSwitch; }

private:
    QCheckBox *m_soundSwitch;
    double m_sliderValue = 50;
};

} // namespace lumeno
