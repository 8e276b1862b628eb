#pragma once

#include <QString>
#include <QStringList>

#include <array>

class QWidget;

namespace vistrel {

inline constexpr int IconFileSlotCount = 21;
inline constexpr int IconListLimit = 20;
using IconFileSlots = std::array<QString, IconFileSlotCount>;

// The registered icon files as the dialogs list them: the non-empty slots in order.
QStringList IconListFromSlots(const IconFileSlots& slots);
// Clears every slot, then fills them from slot 0 in list order.
void StoreIconList(const QStringList& list, IconFileSlots& slots);

// Why a file may not join the list; an empty text means it may.
QString IconAdditionRefusal(const QStringList& list, const QString& path);

// Where the add dialog starts: an "icons" folder beside the program, else the
// user's icon folders.
QString IconStartFolder(const QString& programFolder, const QString& homeFolder);

// The open dialog for one icon or cursor file under a filter label; empty when cancelled.
QString AskIconFile(QWidget* parent, const QString& filterLabel, const QString& folder);

} // namespace vistrel
