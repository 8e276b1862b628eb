#pragma once

#include "hotkeys/HotkeyTable.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace vistrel {

// "ホットキー情報": edits one hotkey entry, its capture as a parameter string
// and its key combination.
class TfrmKeyEdit : public QDialog {
    Q_OBJECT

public:
    explicit TfrmKeyEdit(QWidget* parent = nullptr);

    // True when the editor ended with OK; `entry` then holds the edited values.
    bool EditHotkeyEntry(TWinHotKey& entry);
    // Shows, as the entry is edited, the command that starts `program` with it, for the
    // desktop's keyboard settings, with a copy button; nothing for an empty `program`.
    void showCommandLine(const QString& program);

private:
    QWidget* buildCaptureGroup();
    QWidget* buildKeyGroup();
    QWidget* buildCommandLineGroup();
    void updateCommandLine();
    void load(const TWinHotKey& entry);
    void updateTimerControls();
    void butOKClick();
    TWinHotKey edited() const;

    QLineEdit* m_edtCommand;
    QComboBox* m_cboCapture;
    QComboBox* m_cboAction;
    QCheckBox* m_chkClient;
    QCheckBox* m_chkMouse;
    QCheckBox* m_chkTrim;
    QCheckBox* m_chkTimeOn;
    QSpinBox* m_edtTime;
    QLabel* m_lblSeconds;
    QCheckBox* m_chkAlt;
    QCheckBox* m_chkCtrl;
    QCheckBox* m_chkShift;
    QCheckBox* m_chkWin;
    QComboBox* m_cboKey;
    QString m_originalParam;
    QWidget* m_grpCommandLine;
    QLineEdit* m_edtCommandLine;
    QString m_commandProgram;
};

} // namespace vistrel
