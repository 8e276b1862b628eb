#include "hotkeys/CaptureParam.h"

#include "capture/CaptureKernels.h"
#include "settings/Settings.h"

#include <QStringList>

#include <algorithm>

namespace vistrel {

namespace {

const QString UnknownTokenText = QStringLiteral("「%1」は指定できないオプションです。");
const QString UnknownSaveTypeText =
    QStringLiteral("保存形式「%1」（%2）は指定できません。"
                   "BMP、JPG、PNG、GIF または 1～11 の番号で指定してください。");

bool isDigitIn(QChar c, char first, char last)
{
    return c.unicode() >= first && c.unicode() <= last;
}

constexpr int RegionKind = 4;

// "/C4;last" or "/C4;X;Y;W;H": a region taken without asking.
bool parseRegionFields(const QString& token, CaptureRequest& request)
{
    const qsizetype fields = token.indexOf(u';');
    if (!token.startsWith(QLatin1String("/C4;")) || fields != 3)
        return false;
    const QString rest = token.mid(4);
    if (rest == QLatin1String("last")) {
        request.LastRegion = true;
        return true;
    }
    request.Region = ParseRegionText(rest);
    return request.Region.has_value();
}

void parseKind(const QString& token, CaptureRequest& request)
{
    if (token.size() == 2)
        request.CaptureKind = 99;
    else if (token.size() == 3 && isDigitIn(token[2], '1', '4'))
        request.CaptureKind = token[2].digitValue();
    else if (parseRegionFields(token, request))
        request.CaptureKind = RegionKind;
}

constexpr qsizetype AutoSaveFieldCount = 5; // /A5;DIR;TYPE;FILE;FILEAFTER

AutoSaveOverride parseAutoSaveFields(const QString& token)
{
    const QStringList fields = token.split(u';');
    AutoSaveOverride result;
    if (fields.size() > 1)
        result.Dir = fields[1];
    // A field that is not one of the save types leaves the setting as it was,
    // so that a mistyped entry cannot make every later continuous save fail.
    if (fields.size() > 2)
        result.SaveType = ParseSaveTypeField(fields[2]);
    if (fields.size() > 3)
        result.File = fields[3];
    if (fields.size() > 4)
        result.FileAfter = fields[4];
    return result;
}

void parseAction(const QString& token, CaptureRequest& request)
{
    if (token.size() == 2) {
        request.AfterAction = 99;
        return;
    }
    if (!isDigitIn(token[2], '1', '9'))
        return;
    request.AfterAction = token[2].digitValue();
    if (request.AfterAction == 5)
        request.AutoSave = parseAutoSaveFields(token);
}

void parsePointMode(const QString& token, CaptureRequest& request)
{
    if (token.size() == 2)
        request.PointMode = 1;
    else if (token.size() == 3 && isDigitIn(token[2], '1', '2'))
        request.PointMode = token[2].digitValue();
}

void parseTimer(const QString& token, CaptureRequest& request)
{
    if (token.size() != 3 && token.size() != 4)
        return;
    request.TimerOn = true;
    // A number that does not convert keeps the timer on with the seconds as they were.
    bool ok = false;
    const int seconds = token.mid(2).toInt(&ok);
    if (ok && seconds >= 0)
        request.TimerSeconds = seconds;
}

void parseToken(const QString& token, CaptureRequest& request)
{
    const QString head = token.left(2);
    if (head == QLatin1String("/C"))
        parseKind(token, request);
    else if (head == QLatin1String("/A"))
        parseAction(token, request);
    else if (head == QLatin1String("/W"))
        parsePointMode(token, request);
    else if (token == QLatin1String("/M"))
        request.Mouse = true;
    else if (token == QLatin1String("/L"))
        request.Client = true;
    else if (token == QLatin1String("/R"))
        request.Trim = true;
    else if (head == QLatin1String("/T"))
        parseTimer(token, request);
    else if (token == QLatin1String("/U"))
        request.StayResident = true;
}

bool isKnownKind(const QString& token)
{
    CaptureRequest region;
    return token.size() == 2 || (token.size() == 3 && isDigitIn(token[2], '1', '4')) ||
           parseRegionFields(token, region);
}

bool isKnownPointMode(const QString& token)
{
    return token.size() == 2 || (token.size() == 3 && isDigitIn(token[2], '1', '2'));
}

bool isKnownTimer(const QString& token)
{
    return (token.size() == 3 || token.size() == 4) &&
           std::all_of(token.begin() + 2, token.end(),
                       [](QChar c) { return isDigitIn(c, '0', '9'); });
}

// An action token: "/A" alone, one digit, or the continuous save with at most its four
// fields and a save type (when given) that names one.
QString actionProblem(const QString& token)
{
    const QStringList fields = token.split(u';');
    const QString& head = fields.first();
    const bool known = head.size() == 2 || (head.size() == 3 && isDigitIn(head[2], '1', '9'));
    const bool withFields = fields.size() > 1;
    if (!known || (withFields && head != QLatin1String("/A5")) ||
        fields.size() > AutoSaveFieldCount)
        return UnknownTokenText.arg(token);
    if (fields.size() > 2 && !fields[2].isEmpty() && !ParseSaveTypeField(fields[2]))
        return UnknownSaveTypeText.arg(fields[2], token);
    return {};
}

QString tokenProblem(const QString& token)
{
    const QString head = token.left(2);
    if (head == QLatin1String("/A"))
        return actionProblem(token);
    const bool known = (head == QLatin1String("/C") && isKnownKind(token)) ||
                       (head == QLatin1String("/W") && isKnownPointMode(token)) ||
                       (head == QLatin1String("/T") && isKnownTimer(token)) ||
                       token == QLatin1String("/M") || token == QLatin1String("/L") ||
                       token == QLatin1String("/R") || token == QLatin1String("/U");
    return known ? QString() : UnknownTokenText.arg(token);
}

} // namespace

std::optional<int> ParseSaveTypeField(const QString& field)
{
    bool ok = false;
    const int type = field.toInt(&ok);
    if (ok)
        return type >= 1 && type <= 11 ? std::optional<int>(type) : std::nullopt;
    const QString name = field.toUpper();
    if (name == QLatin1String("BMP"))
        return 1;
    if (name == QLatin1String("JPG") || name == QLatin1String("JPEG"))
        return 9;
    if (name == QLatin1String("PNG"))
        return 10;
    if (name == QLatin1String("GIF"))
        return 11;
    return std::nullopt;
}

QString CaptureParamProblem(const QString& text)
{
    for (const QString& token : text.split(u',', Qt::SkipEmptyParts))
        if (const QString problem = tokenProblem(token); !problem.isEmpty())
            return problem;
    return {};
}

CaptureRequest ParseCaptureParam(const QString& text)
{
    CaptureRequest request;
    for (const QString& token : text.split(u',', Qt::SkipEmptyParts))
        parseToken(token, request);
    return request;
}

QString FormatCaptureParam(const CaptureRequest& request)
{
    if (request.CaptureKind == 0 || request.AfterAction == 0)
        return {};
    auto numbered = [](const char* token, int value) {
        return value == 99 ? QString::fromLatin1(token)
                           : QString::fromLatin1(token) + QString::number(value);
    };
    QString kind = numbered("/C", request.CaptureKind);
    if (request.CaptureKind == RegionKind && request.LastRegion)
        kind += QStringLiteral(";last");
    else if (request.CaptureKind == RegionKind && request.Region)
        kind += u';' + FormatRegionText(*request.Region).replace(u',', u';');
    QStringList tokens{kind, numbered("/A", request.AfterAction)};
    if (request.Client)
        tokens << QStringLiteral("/L");
    if (request.Mouse)
        tokens << QStringLiteral("/M");
    if (request.Trim)
        tokens << QStringLiteral("/R");
    if (request.TimerOn)
        tokens << QStringLiteral("/T") + QString::number(request.TimerSeconds);
    if (request.StayResident)
        tokens << QStringLiteral("/U");
    return tokens.join(u',');
}

void ApplyAutoSaveOverride(const AutoSaveOverride& fields, Settings& settings)
{
    settings.AUTOSAVE.OVERWRITE = false;
    if (fields.Dir)
        settings.AUTOSAVE.DIR = *fields.Dir;
    if (fields.SaveType)
        settings.AUTOSAVE.SAVETYPE = *fields.SaveType;
    if (fields.File)
        settings.AUTOSAVE.FILE = *fields.File;
    if (fields.FileAfter)
        settings.AUTOSAVE.FILEAFTER = *fields.FileAfter;
}

} // namespace vistrel
