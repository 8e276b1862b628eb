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

// Writes `picture` to the exchange file in `folder` as a 24-bit bitmap that only this
// user may read, then starts the tool with "$F" standing for that file. Without a picture
// nothing is written or started. Write errors throw before anything is started; false when
// the start failed.
bool RunTool(const ToolEntry& tool, const QImage& picture, const QString& folder,
             const ProgramStarter& start = StartDetachedProgram);

// Removes the exchange file from `folder`: the picture it holds is the user's, not to be
// left for others to find after the run.
void DeleteExchangePicture(const QString& folder);

QString ToolStartFailedText(const QString& program);

} // namespace vistrel
