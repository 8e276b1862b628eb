#pragma once

#include "edit/stamps/IconFileList.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;

namespace vistrel {

// The registration of icon and cursor files for the picker: at most twenty,
// in the user's order. Closing always keeps the edits.
class TfrmIcoEdt : public QDialog {
    Q_OBJECT

public:
    // `askFile` opens the file dialog in a folder and returns the chosen path or nothing.
    TfrmIcoEdt(const QStringList& list, std::function<QString()> askFile, QWidget* parent);

    QStringList list() const;
    void butAddClick();
    void butDelClick();
    void moveSelection(int step);

private:
    void showPreview();

    std::function<QString()> m_askFile;
    QListWidget* m_lstIcoFile;
    QLabel* m_imgIcon;
    QLabel* m_lblIcoFile;
};

// The registration dialog on the slots; they are rewritten when it closes.
void EditIconList(QWidget* parent, IconFileSlots& slots, std::function<QString()> askFile);

} // namespace vistrel
