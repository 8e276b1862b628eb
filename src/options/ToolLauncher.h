#pragma once

#include "options/ToolTable.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace vistrel {

inline constexpr const char* ToolStartingText =
    "アプリケーションを起動しています。しばらくお待ちください...";
inline constexpr const char* ToolStartedText = "アプリケーションを起動しました。";

// Starts a program on its own, without a shell and without waiting; false
// when it could not be started.
using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

// Starts `program` detached from us: its own session, default signals, none of
// our descriptors beyond the standard three. Searches PATH for a bare name.
bool StartDetachedProgram(const QString& program, const QStringList& arguments);

// Writes `picture` (when there is one) to the exchange file in `folder` as a
// 24-bit bitmap, then starts the tool with "$F" standing for that file. Write
// errors throw before anything is started; false when the start failed.
bool RunTool(const ToolEntry& tool, const QImage& picture, const QString& folder,
             const ProgramStarter& start = StartDetachedProgram);

QString ToolStartFailedText(const QString& program);

} // namespace vistrel
