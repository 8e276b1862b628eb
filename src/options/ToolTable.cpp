#include "options/ToolTable.h"

#include "output/FileNameTokens.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace vistrel {

ToolTable ToolTableFrom(const Settings& settings)
{
    ToolTable tools;
    for (size_t i = 0; i < tools.size(); ++i)
        tools[i] = {settings.TOOL.TITLE[i], settings.TOOL.FILE[i], settings.TOOL.COMMAND[i]};
    return tools;
}

void StoreToolTable(Settings& settings, const ToolTable& tools)
{
    for (size_t i = 0; i < tools.size(); ++i) {
        settings.TOOL.TITLE[i] = tools[i].title;
        settings.TOOL.FILE[i] = tools[i].file;
        settings.TOOL.COMMAND[i] = tools[i].command;
    }
}

ToolTable CompactTools(const ToolTable& tools)
{
    ToolTable compact;
    size_t next = 0;
    for (const ToolEntry& entry : tools)
        if (!entry.title.isEmpty())
            compact[next++] = entry;
    return compact;
}

int ToolCount(const ToolTable& tools)
{
    return int(std::count_if(tools.begin(), tools.end(),
                             [](const ToolEntry& e) { return !e.title.isEmpty(); }));
}

bool AddTool(ToolTable& tools, const ToolEntry& entry)
{
    const int count = ToolCount(tools);
    if (count >= int(tools.size()))
        return false;
    tools[size_t(count)] = entry;
    return true;
}

void DeleteTool(ToolTable& tools, int line)
{
    if (line < 0 || line >= int(tools.size()))
        return;
    for (size_t i = size_t(line); i + 1 < tools.size(); ++i)
        tools[i] = tools[i + 1];
    tools.back() = {};
}

QStringList ToolArguments(const QString& command, const QString& exchangePath)
{
    QStringList arguments = QProcess::splitCommand(command);
    for (QString& argument : arguments)
        argument = ReplaceAllText(argument, QString::fromLatin1(ExchangeToken), exchangePath);
    return arguments;
}

QString ExchangeFilePath(const QString& folder)
{
    return QDir(folder).filePath(QString::fromLatin1(ExchangeFileName));
}

QString ToolTitleFromPath(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

} // namespace vistrel
