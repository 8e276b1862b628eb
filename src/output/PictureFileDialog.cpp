#include "output/PictureFileDialog.h"

#include "output/SaveAsLogic.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>

namespace vistrel {

namespace {

const char* const EntriesProperty = "vistrelFilterEntries";

// The filter text Qt parses: a placeholder name and the patterns.
QString filterText(int entry, const QStringList& patterns)
{
    return QStringLiteral("%1 (%2)").arg(entry).arg(patterns.join(QLatin1Char(' ')));
}

} // namespace

std::unique_ptr<QFileDialog> PictureFileDialog::create(QWidget* parent,
                                                       const FileDialogRequest& request, bool save)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // The overwrite question is the program's own.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setDirectory(request.folder);
    QStringList filters;
    for (int i = 0; i < request.filterLabels.size(); ++i)
        filters << filterText(i + 1, request.filterPatterns.value(i));
    dialog->setNameFilters(filters);
    dialog->setProperty(EntriesProperty, filters);
    // Selected while the entries still carry Qt's own texts, which selectNameFilter looks for.
    dialog->selectNameFilter(filters.value(request.filterIndex - 1));
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (combo) {
        for (int i = 0; i < combo->count() && i < request.filterLabels.size(); ++i)
            combo->setItemText(i, request.filterLabels[i]);
    }
    if (save) {
        QFileDialog* raw = dialog.get();
        raw->setDefaultSuffix(SaveAsLogic::defaultSuffix(request.filterIndex));
        if (combo) {
            QObject::connect(combo, &QComboBox::currentIndexChanged, raw, [raw](int index) {
                raw->setDefaultSuffix(SaveAsLogic::defaultSuffix(index + 1));
            });
        }
    }
    dialog->selectFile(QString());
    return dialog;
}

int PictureFileDialog::selectedEntry(const QFileDialog& dialog)
{
    // The entries were relabelled, so the position tells the entry, not the text.
    if (const auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        return combo->currentIndex() + 1;
    const QStringList filters = dialog.property(EntriesProperty).toStringList();
    return int(filters.indexOf(dialog.selectedNameFilter())) + 1;
}

std::optional<FileDialogChoice> QtPictureFilePrompts::askSavePath(const FileDialogRequest& request)
{
    const auto dialog = PictureFileDialog::create(m_parent, request, true);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogChoice{dialog->selectedFiles().first(),
                            PictureFileDialog::selectedEntry(*dialog)};
}

std::optional<FileDialogChoice> QtPictureFilePrompts::askOpenPath(const FileDialogRequest& request)
{
    const auto dialog = PictureFileDialog::create(m_parent, request, false);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogChoice{dialog->selectedFiles().first(),
                            PictureFileDialog::selectedEntry(*dialog)};
}

bool QtPictureFilePrompts::askYesNo(const QString& text)
{
    // The texts break lines with carriage returns; a Qt label needs line feeds.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return QMessageBox::warning(MessageBox::ownerFor(m_parent), QStringLiteral("Vistrel"), shown,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void QtPictureFilePrompts::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace vistrel
