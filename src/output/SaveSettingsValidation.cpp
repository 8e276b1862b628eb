#include "output/SaveSettingsValidation.h"

#include "output/FileNameTokens.h"
#include "output/mail/MailAction.h"

namespace vistrel {

namespace {

bool hasIllegalCharacter(const QString& name, const QDateTime& at)
{
    const QString expanded = ExpandFileNameTokens(name, at);
    const QString illegal = IllegalFileNameCharacters();
    for (const QChar c : expanded) {
        if (illegal.contains(c))
            return true;
    }
    return false;
}

QString illegalNameMessage(const char* lead)
{
    QString list;
    for (const QChar c : IllegalFileNameCharacters()) {
        if (!list.isEmpty())
            list += QLatin1Char(' ');
        list += c;
    }
    return QString::fromUtf8(lead) + QStringLiteral("\r\n不正文字: ") + list;
}

} // namespace

QString IllegalFileNameCharacters()
{
    return QStringLiteral("\\/:,;*?\"<>|");
}

QString ValidateContinuousSaveName(const QString& file, const QString& fileAfter,
                                   const QDateTime& at)
{
    if (hasIllegalCharacter(file, at))
        return illegalNameMessage("連続保存－ファイル名[前]に不正な文字があります。");
    if (hasIllegalCharacter(fileAfter, at))
        return illegalNameMessage("連続保存－ファイル名[後]に不正な文字があります。");
    return {};
}

QString ValidateSaveSettings(const SaveSettingsFields& fields, const QDateTime& at)
{
    if (QString refusal = ValidateContinuousSaveName(fields.autoFile, fields.autoFileAfter, at);
        !refusal.isEmpty())
        return refusal;
    if (hasIllegalCharacter(fields.mailFile, at))
        return illegalNameMessage("メール送信－ファイル名に不正な文字があります。");
    if (fields.mailFile.isEmpty())
        return QStringLiteral("メール送信－ファイル名が入力されていません。");
    if (fields.sendMail) {
        if (QString refusal = AutomaticMailRefusal(fields.mailTo, fields.mailSubject);
            !refusal.isEmpty())
            return refusal;
        if (fields.mailSubject.isEmpty())
            return QStringLiteral("メール送信－件名が入力されていません。");
    }
    return {};
}

} // namespace vistrel
