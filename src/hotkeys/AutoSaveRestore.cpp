#include "hotkeys/AutoSaveRestore.h"

#include "hotkeys/CaptureParam.h"

namespace vistrel {

namespace {

template <typename Record, typename T>
void remember(Record& record, const T& before, const T& after)
{
    if (before == after && !record)
        return; // nothing changed: nothing to take back
    if (record)
        record->after = after;
    else
        record = typename Record::value_type{before, after};
}

template <typename Record, typename T>
void takeBack(const Record& record, T& field)
{
    if (record && field == record->after)
        field = record->before;
}

} // namespace

void AutoSaveRestore::apply(const AutoSaveOverride& fields, Settings& settings)
{
    const Section before = settings.AUTOSAVE;
    ApplyAutoSaveOverride(fields, settings);
    const Section& after = settings.AUTOSAVE;
    remember(m_overwrite, before.OVERWRITE, after.OVERWRITE);
    remember(m_dir, before.DIR, after.DIR);
    remember(m_saveType, before.SAVETYPE, after.SAVETYPE);
    remember(m_file, before.FILE, after.FILE);
    remember(m_fileAfter, before.FILEAFTER, after.FILEAFTER);
}

void AutoSaveRestore::restoreInto(Section& section) const
{
    takeBack(m_overwrite, section.OVERWRITE);
    takeBack(m_dir, section.DIR);
    takeBack(m_saveType, section.SAVETYPE);
    takeBack(m_file, section.FILE);
    takeBack(m_fileAfter, section.FILEAFTER);
}

bool AutoSaveRestore::empty() const
{
    return !m_overwrite && !m_dir && !m_saveType && !m_file && !m_fileAfter;
}

} // namespace vistrel
