#pragma once

#include "options/ToolTable.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;

namespace vistrel {

// "アプリケーションの指定": the title, program and arguments of one tool.
class TfrmTool : public QDialog {
    Q_OBJECT

public:
    using FileChooser = std::function<QString(QWidget* parent, const QString& start)>;

    explicit TfrmTool(QWidget* parent = nullptr);

    void load(const ToolEntry& entry);
    const ToolEntry& entry() const { return m_entry; }
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    void accept() override;

private:
    void butSrhFileClick();
    void loadIcon();

    ToolEntry m_entry;
    FileChooser m_chooseFile;
    QLabel* m_imaIcon = nullptr;
    QLineEdit* m_edtTitle = nullptr;
    QLineEdit* m_edtFile = nullptr;
    QLineEdit* m_edtCommand = nullptr;
};

// Runs the dialog on `entry`; true (with `entry` updated) when it ended with OK.
bool EditTool(QWidget* parent, ToolEntry& entry, TfrmTool::FileChooser chooser = {});

} // namespace vistrel
