#include "app/CommandLine.h"

#include "hotkeys/CaptureParam.h"
#include "output/AfterActionAvailability.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vistrel {

namespace {

bool isPicture(const QString& argument, const QString& workingDir)
{
    if (argument.startsWith(QStringLiteral("file:")))
        return true;
    if (QFileInfo(QDir(workingDir).absoluteFilePath(argument)).isFile())
        return true;
    if (!argument.startsWith(u'/'))
        return !argument.startsWith(u'-') && !argument.isEmpty();
    qsizetype fieldsStart = argument.size();
    for (const QChar separator : {u',', u';'}) {
        const qsizetype at = argument.indexOf(separator);
        if (at >= 0 && at < fieldsStart)
            fieldsStart = at;
    }
    const qsizetype slash = argument.indexOf(u'/', 1);
    return slash >= 0 && slash < fieldsStart;
}

QString picturePath(const QString& argument, const QString& workingDir)
{
    if (argument.startsWith(QStringLiteral("file:"))) {
        const QUrl url(argument);
        return url.isLocalFile() ? url.toLocalFile() : argument;
    }
    return QDir(workingDir).absoluteFilePath(argument);
}

struct ActionLine {
    int code;
    const char* text;
};

const ActionLine ActionLines[] = {
    {1, "  /A1           名前を付けて保存する（ビットマップ、保存先を尋ねます）\n"},
    {2, "  /A2           名前を付けてJPEG保存する（保存先を尋ねます）\n"},
    {3, "  /A3           名前を付けてPNG保存する（保存先を尋ねます）\n"},
    {4, "  /A4           名前を付けてGIF保存する（保存先を尋ねます）\n"},
    {5, "  /A5           連続して保存する（次の名前で保存します）\n"
        "  /A5;フォルダ;形式;接頭語;接尾語\n"
        "                同じく、指定したフォルダと設定で保存します。形式は BMP、JPG\n"
        "                (JPEG)、PNG、GIF のいずれか、または保存形式の番号 1～11\n"
        "                （9=JPEG、10=PNG、11=GIF、1～8=ビットマップ）\n"},
    {6, "  /A6           クリップボードへコピー\n"},
    {7, "  /A7           印刷出力する\n"},
    {8, "  /A8           電子メールで送信する\n"},
    {9, "  /A9           ウィンドウに表示して起動したままにする\n"},
};

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingDir)
{
    CommandLine line;
    QStringList tokens;
    for (const QString& argument : arguments) {
        if (isPicture(argument, workingDir))
            line.pictures << picturePath(argument, workingDir);
        else
            tokens << argument;
    }
    line.request = ParseCaptureParam(tokens.join(u','));
    QStringList ownTokens;
    for (const QString& token : tokens)
        if (!token.startsWith(u'-'))
            ownTokens << token;
    line.problem = CaptureParamProblem(ownTokens.join(u','));
    return line;
}

QString UsageText()
{
    QString text = QStringLiteral(
        "使い方: vistrel [オプション]... [画像ファイル]\n"
        "オプションがなければ通常どおり起動し、指定した画像ファイル（または file: URL）を\n"
        "表示します。キャプチャの種類と処理の両方を指定すると、すぐにキャプチャして終了\n"
        "します。終了コードは、キャプチャと処理が成功すれば 0、失敗すれば 1（理由を標準\n"
        "エラー出力に書きます）、オプションに誤りがあれば 2 です。Vistrel の起動中に\n"
        "起動すると、起動中の Vistrel が処理します。\n"
        "\n"
        "  /C1 /C2 /C3   全画面、アクティブウィンドウ、ウィンドウまたはコントロール\n"
        "  /C4           範囲を指定（静止した画面の上で選ぶ）\n"
        "  /C4;X;Y;W;H   その範囲（画面のピクセル）を尋ねずに取る\n"
        "  /C4;last      前回の範囲を尋ねずに取る\n"
        "  /C            キャプチャの種類を尋ねる\n");
    for (const ActionLine& action : ActionLines)
        if (IsAfterActionAvailable(action.code))
            text += QString::fromUtf8(action.text);
    text += QStringLiteral(
        "  /A            キャプチャ後の処理を尋ねる\n"
        "  /W /W1 /W2    画面中央またはマウスポインタの下のウィンドウ（/C3 と併用）\n"
        "  /L /M /R      クライアント領域、マウスカーソルを描く、余白を切り取る\n"
        "  /TN           N 秒（0～99）数えてからキャプチャする\n"
        "  /U            キャプチャ後も画像を表示して起動したままにする\n"
        "\n"
        "オプションはカンマでつなげても指定できます: vistrel /C1,/A5\n"
        "  --help        この説明を表示する\n"
        "  --version     バージョンを表示する\n");
    return text;
}

QString RefusedCommandLineText(const QString& problem)
{
    return QStringLiteral("vistrel: %1\n\n").arg(problem) + UsageText();
}

} // namespace vistrel
