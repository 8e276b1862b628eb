#pragma once

#include "output/ContinuousSave.h"
#include "output/FileNameTokens.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace vistrel {

// Everything the save-settings dialog edits: the SAVETYPE codec settings, the AUTOSAVE
// settings with the sequence counter, and the SENDMAIL settings.
struct SaveSettingsValues {
    int jpegQuality = 90;         // SAVETYPE/JPGPS
    bool jpegProgressive = false; // SAVETYPE/JPGPRO
    int pngZlib = 1;              // SAVETYPE/PNGZLIB
    int pngInterlace = 0;         // SAVETYPE/PNGINTERLACE
    ContinuousSaveSettings autoSave;
    int autoSaveNumber = 1;
    int mailSaveType = 1; // SENDMAIL/SAVETYPE
    QString mailFile;
    bool mailAutoSend = false;
    QString mailTo;
    QString mailSubject;
};

// The save-settings dialog "保存設定": save formats, continuous save and mail.
class TfrmOptsv : public QDialog {
    Q_OBJECT

public:
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    TfrmOptsv(QWidget* parent, std::function<void(int context)> help);

    // Fills every control; the result stays these values until OK passes.
    void load(const SaveSettingsValues& values);
    const SaveSettingsValues& values() const { return m_values; }

    void setClock(NameClock clock) { m_clock = std::move(clock); }
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    // Where the folder button starts when the folder field holds no folder.
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }

    // The eleven save types as this dialog lists them.
    static QStringList saveTypeLabels();

    void accept() override;

private:
    QWidget* buildFormatPage();
    QWidget* buildAutoSavePage();
    QWidget* buildMailPage();
    void buildButtons(QVBoxLayout* layout);
    void updateFileNamePreview();
    void updateMailFields();
    void butDirClick();
    void butHelpClick();
    void storeControls();

    std::function<void(int)> m_help;
    NameClock m_clock = systemNameClock;
    FolderChooser m_chooseFolder;
    QString m_programFolder;
    SaveSettingsValues m_values;
    int m_loadedNumber = 1;

    QTabWidget* m_pages = nullptr;
    QSpinBox* m_udJpg = nullptr;
    QCheckBox* m_chkJpgPro = nullptr;
    QComboBox* m_cboZlib = nullptr;
    QCheckBox* m_chkPInterlace = nullptr;
    QComboBox* m_cboAutoType = nullptr;
    QLineEdit* m_edtAutoDir = nullptr;
    QPushButton* m_butDir = nullptr;
    QLineEdit* m_edtAutoFile = nullptr;
    QSpinBox* m_updAutoNo = nullptr;
    QComboBox* m_cboAutoNoKeta = nullptr;
    QLineEdit* m_edtAutoFileAfter = nullptr;
    QCheckBox* m_chkAutoOverWrite = nullptr;
    QLabel* m_lblFileName = nullptr;
    QComboBox* m_cboMailType = nullptr;
    QLineEdit* m_edtMailFile = nullptr;
    QLineEdit* m_edtMailTo = nullptr;
    QLineEdit* m_edtMailSubject = nullptr;
    QCheckBox* m_chkSendMail = nullptr;
};

// Runs the dialog on `values`; true (with `values` updated) when it ended with OK.
bool EditSaveSettings(QWidget* parent, SaveSettingsValues& values,
                      std::function<void(int context)> help);

} // namespace vistrel
