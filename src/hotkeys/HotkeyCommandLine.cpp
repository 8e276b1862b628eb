#include "hotkeys/HotkeyCommandLine.h"

#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

namespace vistrel {

namespace {

const QString LauncherName = QStringLiteral("vistrel");

bool isPlainShellCharacter(QChar c)
{
    // Letters of any script pass: shells split words only at ASCII blanks and operators.
    if (c.unicode() > 0x7f)
        return c.isLetterOrNumber();
    return c.isLetterOrNumber() || QStringLiteral("/,._-+:=@%").contains(c);
}

} // namespace

QString ShellWord(const QString& text)
{
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), isPlainShellCharacter))
        return text;
    QString quoted = text;
    // A single quote ends the quoted part, is given escaped, and a new quoted part begins.
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString HotkeyCommandLine(const QString& program, const TWinHotKey& entry)
{
    // One argument per token rather than the entry's comma-joined string: sway's bindsym
    // splits a command at commas, and every desktop passes separate words through alike.
    QStringList words{ShellWord(program)};
    for (const QString& token : entry.PARAM.split(u',', Qt::SkipEmptyParts))
        words << ShellWord(token);
    return words.size() > 1 ? words.join(u' ') : QString();
}

QString BoundCommandProgram()
{
    const QString launcher = ProgramFolder() + u'/' + LauncherName;
    const QString onPath = QStandardPaths::findExecutable(LauncherName);
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(launcher).canonicalFilePath())
        return LauncherName;
    return launcher;
}

QString CommandLineHotkeysNote()
{
    return QStringLiteral(
        "このデスクトップにはシステム全体のホットキーを登録する仕組みがありません。"
        "デスクトップのキーボード設定（ショートカットキーの設定）で、エントリーごとに次のコマンドを"
        "キーに割り当ててください。起動中の Vistrel がすぐにキャプチャします。"
        "（sway などの設定ファイルでは、exec の後にコマンド全体を \" \" で囲んで書きます。）");
}

} // namespace vistrel
