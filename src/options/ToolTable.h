#pragma once

#include "settings/Settings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace vistrel {

// One external program: the menu caption, the program and its argument text.
struct ToolEntry {
    QString title; // empty: the slot is unused
    QString file;
    QString command;
    bool operator==(const ToolEntry&) const = default;
};

using ToolTable = std::array<ToolEntry, Settings::ToolSlots>;

inline constexpr const char* ExchangeFileName = "Cap000.bmp";
// The token of a tool's argument text that stands for the exchange file.
inline constexpr const char* ExchangeToken = "$F";

ToolTable ToolTableFrom(const Settings& settings);
void StoreToolTable(Settings& settings, const ToolTable& tools);

// The filled slots moved to the front in their order, so that list lines and
// slots agree even for a hand-edited file with gaps.
ToolTable CompactTools(const ToolTable& tools);
int ToolCount(const ToolTable& tools);
// Appends after the used slots; false when all are used.
bool AddTool(ToolTable& tools, const ToolEntry& entry);
// Removes the slot of list line `line` and closes the gap.
void DeleteTool(ToolTable& tools, int line);

// The program's arguments: the text split as a command line is (double quotes
// group, nothing is expanded), then every "$F" replaced by the exchange path
// inside its argument, so that the path stays one argument whatever it holds.
QStringList ToolArguments(const QString& command, const QString& exchangePath);
QString ExchangeFilePath(const QString& folder);
// The title offered for a chosen program: its file name without the last
// extension, the whole name when it has none.
QString ToolTitleFromPath(const QString& path);

} // namespace vistrel
