#pragma once

#include "output/FileNameTokens.h"
#include "output/PictureSaveOptions.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace vistrel {

// The AUTOSAVE settings a continuous save reads.
struct ContinuousSaveSettings {
    QString dir;            // DIR
    int saveType = 1;       // SAVETYPE
    QString file;           // FILE, the prefix
    QString fileAfter;      // FILEAFTER, the suffix
    int digits = 3;         // AUTONOKETA
    bool overwrite = false; // OVERWRITE
};

// Writes a picture without a dialog into the continuous-save folder under the next free
// generated name. Without overwriting, a name that another program takes between the search
// and the write is never replaced: the save moves on to the following number.
class ContinuousSave {
public:
    static inline const char* const MissingFolderMessage =
        "連続保存を行う格納先フォルダが見つかりません。";

    using Writer = std::function<void(const QImage& picture, int saveType, const QString& path,
                                      const PictureSaveOptions& options)>;

    // The writer is savePictureFile unless a test needs to act between search and write.
    explicit ContinuousSave(NameClock clock = systemNameClock, Writer writer = {});

    // The name written (without its folder), or nothing when the folder is missing (after
    // the message box). `counter` is the next number to try; it advances only on success.
    // Write errors throw std::runtime_error.
    std::optional<QString> save(const QImage& picture, const ContinuousSaveSettings& settings,
                                int& counter, const PictureSaveOptions& options) const;

private:
    // Writes into the private file; errors name the target instead.
    void writePartial(const QImage& picture, int saveType, const QString& partial,
                      const QString& target, const PictureSaveOptions& options) const;

    NameClock m_clock;
    Writer m_writer;
};

} // namespace vistrel
