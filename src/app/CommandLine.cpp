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
    {1, "  /A1           save as a bitmap (asks for the file)\n"},
    {2, "  /A2           save as JPEG (asks for the file)\n"},
    {3, "  /A3           save as PNG (asks for the file)\n"},
    {4, "  /A4           save as GIF (asks for the file)\n"},
    {5, "  /A5           continuous save under the next generated name\n"
        "  /A5;DIR;TYPE;PREFIX;SUFFIX   the same into DIR with these settings\n"},
    {6, "  /A6           copy to the clipboard\n"},
    {7, "  /A7           print\n"},
    {8, "  /A8           send by mail\n"},
    {9, "  /A9           show the picture in the window and keep running\n"},
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
    return line;
}

QString UsageText()
{
    QString text = QStringLiteral(
        "Usage: vistrel [TOKEN]... [PICTURE]\n"
        "Without tokens the program starts normally and shows the picture file (or\n"
        "file: URL) given. A capture kind and an action capture at once and end the\n"
        "program: the exit status is 0 when the capture succeeded and the action did\n"
        "its work, otherwise 1 with the reason on standard error. While Vistrel runs,\n"
        "a further start hands its request to the running program.\n"
        "\n"
        "  /C1 /C2 /C3   full screen, active window, window or control (/C asks)\n");
    for (const ActionLine& action : ActionLines)
        if (IsAfterActionAvailable(action.code))
            text += QString::fromUtf8(action.text);
    text += QStringLiteral(
        "  /A            ask for the action after the capture\n"
        "  /W /W1 /W2    window at the screen centre or under the pointer (with /C3)\n"
        "  /L /M /R      client area, draw the pointer, trim the margins\n"
        "  /TN           count down N seconds first\n"
        "  /U            keep running afterwards with the picture shown\n"
        "\n"
        "Tokens may also be joined with commas: vistrel /C1,/A5\n"
        "  --help        show this text\n"
        "  --version     show the version\n");
    return text;
}

} // namespace vistrel
