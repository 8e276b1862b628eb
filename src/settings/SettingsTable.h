#pragma once

#include "settings/Settings.h"

#include <QList>
#include <QString>

#include <variant>

namespace vistrel {

// One row of the key table: where a setting lives in the file, its type, its
// default and the member that holds it.
struct SettingKey {
    enum class Type { Boolean, Integer, String, Colour };
    enum class Flag { None, WindowGeometry }; // geometry keys are kept while maximised

    QString section;
    QString key;
    Type type = Type::Integer;
    std::variant<bool, int, QString> fallback;
    std::variant<bool*, int*, QString*> member;
    Flag flag = Flag::None;
};

// The key table in the order the file is read, bound to one Settings object.
// `exeFolder` is the default of the folder settings.
QList<SettingKey> settingsTable(Settings& settings, const QString& exeFolder);

} // namespace vistrel
