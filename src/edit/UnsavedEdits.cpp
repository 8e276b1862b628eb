#include "edit/UnsavedEdits.h"

#include "platform/MessageBox.h"

#include <QMessageBox>

namespace vistrel {

bool AskToDiscardEdits(const QString& question, QWidget* parent)
{
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vistrel"), question,
                    QMessageBox::Yes | QMessageBox::No, MessageBox::ownerFor(parent));
    box.setObjectName(QStringLiteral("boxUnsavedEdits"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString CloseEditedTabQuestion()
{
    return QStringLiteral("このタブには保存されていない編集があります。閉じますか？");
}

QString ExitWithEditsQuestion()
{
    return QStringLiteral("保存されていない編集があります。終了しますか？");
}

} // namespace vistrel
