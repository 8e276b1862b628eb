#pragma once

#include "hotkeys/HotkeyRows.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vistrel {

class TfrmKeyEdit;

// "ホットキーの設定": the list of hotkey entries, where they are added,
// corrected, deleted and put in order. Only OK writes the table.
class TfrmHotKey : public QDialog {
    Q_OBJECT

public:
    // `icons`: the six entry icons of HotkeyImageIndex; `help` opens a help topic.
    TfrmHotKey(QList<QIcon> icons, std::function<void(int context)> help,
               QWidget* parent = nullptr);
    ~TfrmHotKey() override;

    // True when the dialog ended with OK; the table has then been rewritten.
    bool EditHotkeyList(HotkeyTableSlots& table);
    // Where the desktop grants no system-wide hotkeys: each row shows the command that starts
    // `program` with the entry, to be bound in the desktop's keyboard settings, and the
    // selected row's command can be copied. An empty `program` shows the hotkeys alone.
    void showCommandLines(const QString& program);

private:
    QWidget* buildButtons();
    void butAddClick();
    void butEditClick();
    void butDeleteClick();
    void moveSelected(int step);
    bool confirmDelete(const TWinHotKey& entry);
    void placeOnScreen();
    void showRows(int selected);
    int selectedRow() const;
    void copySelectedCommandLine();

    QList<QIcon> m_icons;
    std::function<void(int)> m_help;
    QTreeWidget* m_lsvHotkey;
    TfrmKeyEdit* m_editor;
    QList<TWinHotKey> m_rows;
    QLabel* m_lblCommandNote;
    QPushButton* m_butCopyCommand;
    QString m_commandProgram;
};

} // namespace vistrel
