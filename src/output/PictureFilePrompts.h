#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace vistrel {

// What a picture file dialog is opened with. Filter entries are 1-based.
struct FileDialogRequest {
    QStringList filterLabels;
    QList<QStringList> filterPatterns;
    int filterIndex = 1;
    QString folder;
};

struct FileDialogChoice {
    QString path;
    int filterIndex = 1;
};

// The user-facing side of the Save-As and Open commands, replaced by a recorder in tests.
class PictureFilePrompts {
public:
    virtual ~PictureFilePrompts() = default;
    // nullopt when cancelled. A name typed without extension gets the selected entry's.
    virtual std::optional<FileDialogChoice> askSavePath(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogChoice> askOpenPath(const FileDialogRequest& request) = 0;
    // A warning with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // The hourglass while a file is written or read.
    virtual void setBusy(bool busy) = 0;
};

// The real dialogs: Qt's own file dialog (so that the labels show exactly as written) and a
// warning message box.
class QtPictureFilePrompts : public PictureFilePrompts {
public:
    explicit QtPictureFilePrompts(QWidget* parent) : m_parent(parent) {}
    std::optional<FileDialogChoice> askSavePath(const FileDialogRequest& request) override;
    std::optional<FileDialogChoice> askOpenPath(const FileDialogRequest& request) override;
    bool askYesNo(const QString& text) override;
    void setBusy(bool busy) override;

private:
    QWidget* m_parent;
};

} // namespace vistrel
