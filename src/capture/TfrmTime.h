#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vistrel {

// The timer settings: the delay in seconds, whether the countdown shows and where.
class TfrmTime : public QDialog {
    Q_OBJECT
public:
    TfrmTime(int seconds, bool show, int position, QWidget* parent = nullptr);

    int seconds() const;
    bool showCountdown() const;
    int position() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildSecondsGroup();
    QWidget* buildButtons();
    void chkCntDownClick();
    void butClick();

    QSpinBox* m_udnTime = nullptr;
    QCheckBox* m_chkCntDown = nullptr;
    QComboBox* m_cboPos = nullptr;
};

// Runs the dialog; on OK the three values are replaced and true is returned,
// on cancel they are left as they were.
bool EditTimerSettings(QWidget* parent, int& seconds, bool& show, int& position);

} // namespace vistrel
