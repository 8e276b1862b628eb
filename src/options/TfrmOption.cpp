#include "options/TfrmOption.h"
#include "platform/HelpTopics.h"

#include "options/OptionRules.h"
#include "options/OptionWidgets.h"
#include "options/TfrmTool.h"
#include "output/print/HeaderTokens.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSysInfo>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vistrel {

using namespace optionui;

namespace {

// Help topics of the eight pages.
constexpr int HelpContexts[] = {helptopic::OptionsGeneral,  helptopic::OptionsFileList,
                                helptopic::OptionsHistory,  helptopic::OptionsColours,
                                helptopic::OptionsTrimming, helptopic::OptionsPrinting,
                                helptopic::OptionsHeader,   helptopic::OptionsTools};

} // namespace

TfrmOption::TfrmOption(QWidget* parent, OptionHooks hooks)
    : QDialog(parent), m_hooks(std::move(hooks))
{
    fillDefaultHooks();
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_pages = named(new QTabWidget, "pgcOption");
    m_pages->setUsesScrollButtons(false); // all eight tabs in sight: the dialog grows to them
    m_pages->addTab(buildGeneralPage(), QStringLiteral("全般"));
    m_pages->addTab(buildFileListPage(), QStringLiteral("ファイルリスト"));
    m_pages->addTab(buildHistoryPage(), QStringLiteral("履歴設定"));
    m_pages->addTab(buildColourPage(), QStringLiteral("色の設定"));
    m_pages->addTab(buildTrimPage(), QStringLiteral("トリミング"));
    m_pages->addTab(buildPrintPage(), QStringLiteral("印刷設定"));
    m_pages->addTab(buildHeaderPage(), QStringLiteral("ヘッダ印刷"));
    m_pages->addTab(buildToolPage(), QStringLiteral("ツール設定"));
    layout->addWidget(m_pages);
    buildButtons(layout);
}

void TfrmOption::fillDefaultHooks()
{
    OptionHooks& h = m_hooks;
    if (!h.playSound)
        h.playSound = [](const QString&) {};
    if (!h.expandHeader)
        h.expandHeader = [](const QString& text) {
            return ExpandHeaderTokens(text,
                                      {QDateTime::currentDateTime(), qEnvironmentVariable("USER"),
                                       QSysInfo::machineHostName()});
        };
    if (!h.chooseSoundFile)
        h.chooseSoundFile = [](QWidget* owner, const QString& start) {
            return QFileDialog::getOpenFileName(owner, QString(), start,
                                                QStringLiteral("サウンドファイル(*.wav)"));
        };
    if (!h.chooseFolder)
        h.chooseFolder = [](QWidget* owner, const QString& start) {
            return QFileDialog::getExistingDirectory(owner, QString(), start);
        };
    if (!h.chooseColour)
        h.chooseColour = [](QWidget* owner, const QColor& initial) {
            return QColorDialog::getColor(initial, owner);
        };
    if (!h.editTool)
        h.editTool = [](QWidget* owner, ToolEntry& entry) { return EditTool(owner, entry); };
    if (h.programFolder.isEmpty())
        h.programFolder = ProgramFolder();
}

void TfrmOption::setSpin(QSpinBox* spin, int value)
{
    spin->setValue(value);
    m_shownAtLoad.insert(spin, spin->value());
}

int TfrmOption::spinValue(const QSpinBox* spin, int stored) const
{
    return spin->value() == m_shownAtLoad.value(spin, stored) ? stored : spin->value();
}

void TfrmOption::load(const Settings& s)
{
    m_chkIconUp->setChecked(s.ALL.ICON);
    setSpin(m_udTRugu, s.ALL.WAITTIME);
    m_chkAutoScroll->setChecked(s.ALL.AUTOSCROLL);
    setSpin(m_udScrollRagu, s.ALL.SCROLLWAITTIME);
    m_chkWaveCall->setChecked(s.ALL.WAVECALL);
    m_edtWaveFile->setText(s.ALL.WAVEFILE);
    m_chkAppClose->setChecked(s.ALL.APCLOSE);
    // A value the list does not know (written by hand) shows as the primary monitor.
    m_cboFullScreen->setCurrentIndex(
        s.ALL.FULLSCREEN >= 0 && s.ALL.FULLSCREEN < m_cboFullScreen->count() ? s.ALL.FULLSCREEN
                                                                             : 0);
    m_chkHelpBrowser->setChecked(s.ALL.HELPBROWSER);
    m_edtInitDir->setText(s.FILELIST.INITDIR);
    m_chkInitDir->setChecked(s.FILELIST.APEND);
    m_chkFileMode->setChecked(s.FILELIST.FILEMODE);
    setSpin(m_udRirekiCnt, s.RIREKI.RIREKICNT);
    m_back = s.COLOR.BACK;
    m_line = s.COLOR.LINE;
    paintSample(m_shpBack, m_back);
    paintSample(m_shpLine, m_line);
    (s.COLOR.LHAN ? m_optLineHan : m_optLineCol)->setChecked(true);
    const int trim[] = {s.TRIM.TOP, s.TRIM.BOTTOM, s.TRIM.LEFT, s.TRIM.RIGHT};
    for (int i = 0; i < 4; ++i)
        setSpin(m_updTrim[i], trim[i]);
    checkId(m_prnMode, s.PRINT.MODE);
    checkId(m_prnOrient, s.PRINT.ORIENT);
    showPaperSketch(s.PRINT.ORIENT);
    setSpin(m_updSpTop, s.PRINT.TOP);
    setSpin(m_updSpLeft, s.PRINT.LEFT);
    m_chkHeadPrn->setChecked(s.HEAD.HEADPRN);
    m_edtFontSize->setText(QString::number(s.HEAD.FONTSIZE));
    m_edtHeadText->setText(s.HEAD.TEXT);
    checkId(m_optHeadPos, s.HEAD.POS);
    m_tools = CompactTools(ToolTableFrom(s));
    fillToolList();
    m_lstTool->setCurrentRow(m_lstTool->count() > 0 ? 0 : -1);
    updateEnabledStates();
    updateHeaderPreview();
    m_pages->setCurrentIndex(0);
    placeOnScreen();
}

void TfrmOption::placeOnScreen()
{
    // Opened from the tray the main window is hidden: centre on the screen
    // instead of over the place where the window would be.
    if (parentWidget() != nullptr && parentWidget()->isVisible())
        return;
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmOption::store(Settings& s) const
{
    s.ALL.ICON = m_chkIconUp->isChecked();
    s.ALL.WAITTIME = spinValue(m_udTRugu, s.ALL.WAITTIME);
    s.ALL.AUTOSCROLL = m_chkAutoScroll->isChecked();
    s.ALL.SCROLLWAITTIME = spinValue(m_udScrollRagu, s.ALL.SCROLLWAITTIME);
    s.ALL.WAVECALL = m_chkWaveCall->isChecked();
    s.ALL.WAVEFILE = m_edtWaveFile->text();
    s.ALL.APCLOSE = m_chkAppClose->isChecked();
    s.ALL.FULLSCREEN = m_cboFullScreen->currentIndex();
    s.ALL.HELPBROWSER = m_chkHelpBrowser->isChecked();
    s.FILELIST.INITDIR = m_edtInitDir->text();
    s.FILELIST.APEND = m_chkInitDir->isChecked();
    s.FILELIST.FILEMODE = m_chkFileMode->isChecked();
    s.RIREKI.RIREKICNT = spinValue(m_udRirekiCnt, s.RIREKI.RIREKICNT);
    s.COLOR.BACK = m_back;
    s.COLOR.LHAN = m_optLineHan->isChecked();
    s.COLOR.LINE = m_line;
    int* trim[] = {&s.TRIM.TOP, &s.TRIM.BOTTOM, &s.TRIM.LEFT, &s.TRIM.RIGHT};
    for (int i = 0; i < 4; ++i)
        *trim[i] = spinValue(m_updTrim[i], *trim[i]);
    s.PRINT.MODE = checkedOr(m_prnMode, s.PRINT.MODE);
    s.PRINT.ORIENT = checkedOr(m_prnOrient, s.PRINT.ORIENT);
    s.PRINT.TOP = spinValue(m_updSpTop, s.PRINT.TOP);
    s.PRINT.LEFT = spinValue(m_updSpLeft, s.PRINT.LEFT);
    s.HEAD.HEADPRN = m_chkHeadPrn->isChecked();
    s.HEAD.FONTSIZE = FontSizeFromText(m_edtFontSize->text()).value_or(s.HEAD.FONTSIZE);
    s.HEAD.TEXT = m_edtHeadText->text();
    s.HEAD.POS = checkedOr(m_optHeadPos, s.HEAD.POS);
    StoreToolTable(s, m_tools);
}

void TfrmOption::accept()
{
    if (!FontSizeFromText(m_edtFontSize->text())) {
        MessageBox::information(utf8(FontSizeRefusedText), this);
        return;
    }
    QDialog::accept();
}

void TfrmOption::updateEnabledStates()
{
    m_udScrollRagu->setEnabled(m_chkAutoScroll->isChecked());
    m_edtWaveFile->setEnabled(m_chkWaveCall->isChecked());
    m_butWave->setEnabled(m_chkWaveCall->isChecked());
    m_edtInitDir->setEnabled(!m_chkInitDir->isChecked());
    m_butInitDir->setEnabled(!m_chkInitDir->isChecked());
    m_butLineColor->setEnabled(m_optLineCol->isChecked());
}

void TfrmOption::updateHeaderPreview()
{
    const std::optional<int> size = FontSizeFromText(m_edtFontSize->text());
    if (!size)
        return; // the last good preview stays until the size reads again
    QFont font = m_lblImage->font();
    font.setPointSize(*size);
    m_lblImage->setFont(font);
    m_lblImage->setText(m_hooks.expandHeader(m_edtHeadText->text()));
}

void TfrmOption::showPaperSketch(int orientation)
{
    QAbstractButton* button = m_prnOrient->button(orientation);
    const QSize size = PaperSketchSize(m_pnlPaper->size(), orientation);
    m_shpPaper->setGeometry(QRect(QPoint(0, 0), size));
    m_shpPaper->setText(button != nullptr ? QStringLiteral("(%1)").arg(button->text()) : QString());
}

void TfrmOption::chooseColour(int& reference, QFrame* sample)
{
    const RgbColour c = FromColourReference(reference);
    const QColor chosen = m_hooks.chooseColour(this, QColor(c.red, c.green, c.blue));
    if (!chosen.isValid())
        return;
    reference = ToColourReference({chosen.red(), chosen.green(), chosen.blue()});
    paintSample(sample, reference);
}

void TfrmOption::butWaveClick()
{
    const QFileInfo current(m_edtWaveFile->text());
    const QString start = current.exists() ? current.absolutePath() : QString();
    const QString chosen = m_hooks.chooseSoundFile(this, start);
    if (!chosen.isEmpty())
        m_edtWaveFile->setText(chosen);
}

void TfrmOption::butWaveTestClick()
{
    const QString file = m_edtWaveFile->text();
    if (!file.isEmpty() && QFileInfo(file).isFile())
        m_hooks.playSound(file);
}

void TfrmOption::butInitDirClick()
{
    const QString current = m_edtInitDir->text();
    const QString start =
        !current.isEmpty() && QFileInfo(current).isDir() ? current : m_hooks.programFolder;
    const QString chosen = m_hooks.chooseFolder(this, start);
    if (!chosen.isEmpty())
        m_edtInitDir->setText(chosen);
}

void TfrmOption::butHelpClick()
{
    const int index = m_pages->currentIndex();
    if (m_hooks.help && index >= 0 && index < int(std::size(HelpContexts)))
        m_hooks.help(HelpContexts[index]);
}

void TfrmOption::fillToolList()
{
    m_lstTool->clear();
    for (const ToolEntry& tool : m_tools)
        if (!tool.title.isEmpty())
            m_lstTool->addItem(tool.title);
}

void TfrmOption::butToolAddClick()
{
    if (ToolCount(m_tools) >= int(m_tools.size())) {
        MessageBox::information(QStringLiteral("これ以上アプリケーションを追加できません。"), this);
        return;
    }
    ToolEntry entry{QString(), QString(), QString::fromLatin1(ExchangeToken)};
    if (!m_hooks.editTool(this, entry))
        return;
    AddTool(m_tools, entry);
    fillToolList();
    m_lstTool->setCurrentRow(m_lstTool->count() - 1);
}

void TfrmOption::butToolEditClick()
{
    const int line = m_lstTool->currentRow();
    if (line < 0 || line >= ToolCount(m_tools))
        return;
    ToolEntry entry = m_tools[size_t(line)];
    if (!m_hooks.editTool(this, entry))
        return;
    m_tools[size_t(line)] = entry;
    m_lstTool->item(line)->setText(entry.title);
}

void TfrmOption::butToolDelClick()
{
    const int line = m_lstTool->currentRow();
    if (line < 0 || line >= ToolCount(m_tools))
        return;
    DeleteTool(m_tools, line);
    delete m_lstTool->takeItem(line);
}

bool EditOptions(QWidget* parent, Settings& settings, OptionHooks hooks)
{
    TfrmOption dialog(parent, std::move(hooks));
    dialog.load(settings);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.store(settings);
    return true;
}

} // namespace vistrel
