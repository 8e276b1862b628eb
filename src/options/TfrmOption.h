#pragma once

#include "options/ToolTable.h"
#include "settings/Settings.h"

#include <QColor>
#include <QDialog>
#include <QHash>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace vistrel {

// What the options dialog asks of the world; each has a working default.
struct OptionHooks {
    std::function<void(int context)> help;
    std::function<void(const QString& file)> playSound;
    // The header text with its tokens filled in, for the preview.
    std::function<QString(const QString& text)> expandHeader;
    std::function<QString(QWidget* parent, const QString& start)> chooseSoundFile;
    std::function<QString(QWidget* parent, const QString& start)> chooseFolder;
    // An invalid colour when the user cancels.
    std::function<QColor(QWidget* parent, const QColor& initial)> chooseColour;
    std::function<bool(QWidget* parent, ToolEntry& entry)> editTool;
    QString programFolder; // where the folder chooser starts without a folder
};

// "オプション": the application settings on eight pages and the tool table.
// Works on copies; only OK hands the values back.
class TfrmOption : public QDialog {
    Q_OBJECT

public:
    TfrmOption(QWidget* parent, OptionHooks hooks);

    void load(const Settings& settings);
    // Writes the dialog's settings into `settings`, leaving every other one alone.
    void store(Settings& settings) const;

    void accept() override;

private:
    QWidget* buildGeneralPage();
    QWidget* buildFileListPage();
    QWidget* buildHistoryPage();
    QWidget* buildColourPage();
    QWidget* buildTrimPage();
    QWidget* buildPrintPage();
    QWidget* buildHeaderPage();
    QWidget* buildToolPage();
    void buildButtons(QVBoxLayout* layout);
    void fillDefaultHooks();
    void placeOnScreen();

    void updateEnabledStates();
    void updateHeaderPreview();
    void showPaperSketch(int orientation);
    void setSpin(QSpinBox* spin, int value);
    int spinValue(const QSpinBox* spin, int stored) const;
    void chooseColour(int& reference, QFrame* sample);
    void butWaveClick();
    void butWaveTestClick();
    void butInitDirClick();
    void butHelpClick();
    void fillToolList();
    void butToolAddClick();
    void butToolEditClick();
    void butToolDelClick();

    OptionHooks m_hooks;
    // What each spin showed when loaded: an unchanged spin keeps its stored value,
    // even one outside the control's range.
    QHash<const QSpinBox*, int> m_shownAtLoad;
    int m_back = 0;
    int m_line = 0;
    ToolTable m_tools;

    QTabWidget* m_pages = nullptr;
    QCheckBox* m_chkIconUp = nullptr;
    QSpinBox* m_udTRugu = nullptr;
    QCheckBox* m_chkAutoScroll = nullptr;
    QSpinBox* m_udScrollRagu = nullptr;
    QCheckBox* m_chkWaveCall = nullptr;
    QLineEdit* m_edtWaveFile = nullptr;
    QPushButton* m_butWave = nullptr;
    QCheckBox* m_chkAppClose = nullptr;
    QComboBox* m_cboFullScreen = nullptr;
    QCheckBox* m_chkHelpBrowser = nullptr;
    QLineEdit* m_edtInitDir = nullptr;
    QPushButton* m_butInitDir = nullptr;
    QCheckBox* m_chkInitDir = nullptr;
    QCheckBox* m_chkFileMode = nullptr;
    QSpinBox* m_udRirekiCnt = nullptr;
    QFrame* m_shpBack = nullptr;
    QRadioButton* m_optLineHan = nullptr;
    QRadioButton* m_optLineCol = nullptr;
    QFrame* m_shpLine = nullptr;
    QPushButton* m_butLineColor = nullptr;
    QSpinBox* m_updTrim[4] = {}; // top, bottom, left, right
    QButtonGroup* m_prnMode = nullptr;
    QButtonGroup* m_prnOrient = nullptr;
    QFrame* m_pnlPaper = nullptr;
    QLabel* m_shpPaper = nullptr;
    QSpinBox* m_updSpTop = nullptr;
    QSpinBox* m_updSpLeft = nullptr;
    QCheckBox* m_chkHeadPrn = nullptr;
    QLineEdit* m_edtFontSize = nullptr;
    QLineEdit* m_edtHeadText = nullptr;
    QLabel* m_lblImage = nullptr;
    QButtonGroup* m_optHeadPos = nullptr;
    QListWidget* m_lstTool = nullptr;
};

// Runs the dialog on the settings; true (with the settings updated) on OK.
bool EditOptions(QWidget* parent, Settings& settings, OptionHooks hooks);

} // namespace vistrel
