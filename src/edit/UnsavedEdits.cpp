#include "edit/UnsavedEdits.h"

#include "platform/MessageBox.h"

#include <QMessageBox>

namespace vistrel {

bool AskAboutEdits(const QString& question, QWidget* parent, bool yesKeepsThem)
{
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vistrel"), question,
                    QMessageBox::Yes | QMessageBox::No, MessageBox::ownerFor(parent));
    box.setObjectName(QStringLiteral("boxUnsavedEdits"));
    box.setDefaultButton(yesKeepsThem ? QMessageBox::Yes : QMessageBox::No);
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

QString RestoreKeptEditsQuestion(int count)
{
    return QStringLiteral("前回の終了時に保存されていなかった編集が%1件あります。復元しますか？")
        .arg(count);
}

} // namespace vistrel
