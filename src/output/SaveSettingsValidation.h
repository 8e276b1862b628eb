#pragma once

#include <QDateTime>
#include <QString>

namespace vistrel {

// The save-settings dialog's text fields as the user left them.
struct SaveSettingsFields {
    QString autoFile;      // prefix of continuous-save names
    QString autoFileAfter; // suffix of continuous-save names
    QString mailFile;
    QString mailTo;
    QString mailSubject;
    bool sendMail = false;
};

// The characters a file name may not hold, in the order the messages list them.
QString IllegalFileNameCharacters();

// The first refusal for the dialog's OK, or an empty text when the fields are acceptable.
// Names are checked after their tokens are filled from `at`, so "<$H>" passes and "<" not.
QString ValidateSaveSettings(const SaveSettingsFields& fields, const QDateTime& at);

// The same refusal for the continuous-save name however it was set (the
// settings file, a hotkey, the command line), so that no name can reach
// outside the continuous-save folder.
QString ValidateContinuousSaveName(const QString& file, const QString& fileAfter,
                                   const QDateTime& at);

} // namespace vistrel
