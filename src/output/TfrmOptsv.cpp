#include "output/TfrmOptsv.h"
#include "platform/HelpTopics.h"

#include "output/SaveAsLogic.h"
#include "output/SaveSettingsValidation.h"
#include "platform/DialogButtons.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vistrel {

namespace {

// Help topics of the three pages.
constexpr int HelpContexts[] = {helptopic::SaveFormat, helptopic::SaveContinuous,
                                helptopic::SaveMail};

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A spin control whose edit field carries its own name and width, as the dialog's
// edit-and-arrows pairs do.
QSpinBox* spinWithEdit(const char* spinName, const char* editName, int maximum, int chars)
{
    auto* spin = named(new QSpinBox, spinName);
    spin->setRange(1, maximum);
    if (auto* edit = spin->findChild<QLineEdit*>()) {
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setMaxLength(chars);
    }
    return spin;
}

void addRow(QFormLayout* form, const char* label, QWidget* field, QWidget* buddy = nullptr)
{
    auto* caption = new QLabel(QString::fromUtf8(label));
    caption->setBuddy(buddy != nullptr ? buddy : field);
    form->addRow(caption, field);
}

QWidget* inRow(QWidget* first, QWidget* second)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first, 1);
    layout->addWidget(second);
    return row;
}

// A combo index that came from a value outside the list keeps the stored value.
int indexOr(const QComboBox* combo, int offset, int keep)
{
    return combo->currentIndex() < 0 ? keep : combo->currentIndex() + offset;
}

} // namespace

QStringList TfrmOptsv::saveTypeLabels()
{
    QStringList labels = SaveAsLogic::saveFilterLabels().mid(0, SaveTypeGif);
    labels[SaveTypeJpeg - 1] = QStringLiteral("JPEG ﾌｧｲﾙ            (*.jpg)");
    labels[SaveTypeGif - 1] = QStringLiteral("GIF ﾌｧｲﾙ             (*.gif)");
    return labels;
}

TfrmOptsv::TfrmOptsv(QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), m_help(std::move(help)), m_programFolder(ProgramFolder())
{
    setObjectName(QStringLiteral("frmOptsv"));
    setWindowTitle(QStringLiteral("保存設定"));
    m_chooseFolder = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, QString(), start);
    };
    auto* layout = new QVBoxLayout(this);
    // A dialog of fixed size: only a close button in its title bar.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_pages = named(new QTabWidget, "pgcOptsv");
    m_pages->addTab(buildFormatPage(), QStringLiteral("保存形式"));
    m_pages->addTab(buildAutoSavePage(), QStringLiteral("連続保存"));
    m_pages->addTab(buildMailPage(), QStringLiteral("メール送信"));
    layout->addWidget(m_pages);
    buildButtons(layout);
}

QWidget* TfrmOptsv::buildFormatPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_udJpg = spinWithEdit("udJpg", "edtJpg", 100, 3);
    addRow(form, "画質(&G) :", inRow(m_udJpg, new QLabel(QStringLiteral("(%)"))), m_udJpg);
    m_chkJpgPro = named(new QCheckBox(QStringLiteral("プログレッシブJPEGにする(&P)")), "chkJpgPro");
    form->addRow(m_chkJpgPro);
    m_cboZlib = named(new QComboBox, "cboZlib");
    m_cboZlib->addItems({QStringLiteral("圧縮なし"), QStringLiteral("標準的な圧縮"),
                         QStringLiteral("保存速度を優先して圧縮"),
                         QStringLiteral("圧縮率を優先して圧縮")});
    addRow(form, "ZLIB圧縮(&Z) :", m_cboZlib);
    m_chkPInterlace =
        named(new QCheckBox(QStringLiteral("インタレースPNGにする(&I)")), "chkPInterlace");
    form->addRow(m_chkPInterlace);
    return page;
}

QWidget* TfrmOptsv::buildAutoSavePage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_cboAutoType = named(new QComboBox, "cboAutoType");
    m_cboAutoType->addItems(saveTypeLabels());
    addRow(form, "ファイルの種類(&T) :", m_cboAutoType);
    m_edtAutoDir = named(new QLineEdit, "edtAutoDir");
    m_butDir = named(new QPushButton(QStringLiteral("... ")), "butDir");
    connect(m_butDir, &QPushButton::clicked, this, &TfrmOptsv::butDirClick);
    addRow(form, "格納先(&D) :", inRow(m_edtAutoDir, m_butDir), m_edtAutoDir);
    m_edtAutoFile = named(new QLineEdit, "edtAutoFile");
    addRow(form, "ファイル名[前](&B) :", m_edtAutoFile);
    m_updAutoNo = spinWithEdit("updAutoNo", "edtAutoNo", 9999, 4);
    addRow(form, "現在の開始番号(&N) :", m_updAutoNo);
    m_cboAutoNoKeta = named(new QComboBox, "cboAutoNoKeta");
    m_cboAutoNoKeta->addItems(
        {QStringLiteral("桁無し"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    addRow(form, "番号桁数(&K) :", m_cboAutoNoKeta);
    m_edtAutoFileAfter = named(new QLineEdit, "edtAutoFileAfter");
    addRow(form, "ファイル名[後](&A) :", m_edtAutoFileAfter);
    m_chkAutoOverWrite =
        named(new QCheckBox(QStringLiteral("同じファイルが存在したら上書きする(&O)")),
              "chkAutoOverWrite");
    form->addRow(m_chkAutoOverWrite);
    m_lblFileName = named(new QLabel, "lblFileName");
    form->addRow(m_lblFileName);

    connect(m_edtAutoFile, &QLineEdit::textChanged, this, &TfrmOptsv::updateFileNamePreview);
    connect(m_edtAutoFileAfter, &QLineEdit::textChanged, this, &TfrmOptsv::updateFileNamePreview);
    connect(m_updAutoNo, &QSpinBox::valueChanged, this, &TfrmOptsv::updateFileNamePreview);
    connect(m_cboAutoNoKeta, &QComboBox::currentIndexChanged, this,
            &TfrmOptsv::updateFileNamePreview);
    return page;
}

QWidget* TfrmOptsv::buildMailPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_cboMailType = named(new QComboBox, "cboMailType");
    m_cboMailType->addItems(saveTypeLabels());
    addRow(form, "ファイルの種類(&T) :", m_cboMailType);
    m_edtMailFile = named(new QLineEdit, "edtMailFile");
    addRow(form, "ファイル名(&F) :", m_edtMailFile);
    m_chkSendMail =
        named(new QCheckBox(QStringLiteral("自動的にメールを送信する(&M)")), "chkSendMail");
    form->addRow(m_chkSendMail);
    m_edtMailTo = named(new QLineEdit, "edtMailTo");
    addRow(form, "宛先(&O) :", m_edtMailTo);
    m_edtMailSubject = named(new QLineEdit, "edtMailSubject");
    addRow(form, "件名(&S) :", m_edtMailSubject);
    connect(m_chkSendMail, &QCheckBox::toggled, this, &TfrmOptsv::updateMailFields);
    return page;
}

void TfrmOptsv::buildButtons(QVBoxLayout* layout)
{
    layout->addWidget(OkCancelHelpButtons(this, [this] { butHelpClick(); }));
}

void TfrmOptsv::load(const SaveSettingsValues& values)
{
    m_values = values;
    m_udJpg->setValue(values.jpegQuality);
    m_chkJpgPro->setChecked(values.jpegProgressive);
    m_cboZlib->setCurrentIndex(values.pngZlib >= 0 && values.pngZlib < 4 ? values.pngZlib : -1);
    m_chkPInterlace->setChecked(values.pngInterlace == 1);
    const auto typeIndex = [](int type) {
        return type >= 1 && type <= SaveTypeGif ? type - 1 : -1;
    };
    m_cboAutoType->setCurrentIndex(typeIndex(values.autoSave.saveType));
    m_edtAutoDir->setText(values.autoSave.dir);
    m_edtAutoFile->setText(values.autoSave.file);
    m_updAutoNo->setValue(values.autoSaveNumber);
    m_loadedNumber = m_updAutoNo->value();
    const int digits = values.autoSave.digits;
    m_cboAutoNoKeta->setCurrentIndex(digits >= 1 && digits <= 4 ? digits - 1 : -1);
    m_edtAutoFileAfter->setText(values.autoSave.fileAfter);
    m_chkAutoOverWrite->setChecked(values.autoSave.overwrite);
    m_cboMailType->setCurrentIndex(typeIndex(values.mailSaveType));
    m_edtMailFile->setText(values.mailFile);
    m_edtMailTo->setText(values.mailTo);
    m_edtMailSubject->setText(values.mailSubject);
    m_chkSendMail->setChecked(values.mailAutoSend);
    updateMailFields();
    updateFileNamePreview();
}

void TfrmOptsv::updateFileNamePreview()
{
    const int digits = indexOr(m_cboAutoNoKeta, 1, m_values.autoSave.digits);
    m_lblFileName->setText(FileNamePreview(m_edtAutoFile->text(), m_updAutoNo->value(), digits,
                                           m_edtAutoFileAfter->text(), m_clock()));
}

void TfrmOptsv::updateMailFields()
{
    m_edtMailTo->setEnabled(m_chkSendMail->isChecked());
    m_edtMailSubject->setEnabled(m_chkSendMail->isChecked());
}

void TfrmOptsv::butDirClick()
{
    const QString current = m_edtAutoDir->text();
    const QString start = QFileInfo(current).isDir() ? current : m_programFolder;
    const QString chosen = m_chooseFolder(this, start);
    if (!chosen.isEmpty())
        m_edtAutoDir->setText(chosen);
}

void TfrmOptsv::butHelpClick()
{
    const int page = m_pages->currentIndex();
    if (m_help && page >= 0 && page < 3)
        m_help(HelpContexts[page]);
}

void TfrmOptsv::accept()
{
    const SaveSettingsFields fields{m_edtAutoFile->text(),    m_edtAutoFileAfter->text(),
                                    m_edtMailFile->text(),    m_edtMailTo->text(),
                                    m_edtMailSubject->text(), m_chkSendMail->isChecked()};
    const QString refusal = ValidateSaveSettings(fields, m_clock());
    if (!refusal.isEmpty()) {
        MessageBox::information(refusal, this);
        return;
    }
    storeControls();
    QDialog::accept();
}

void TfrmOptsv::storeControls()
{
    SaveSettingsValues& v = m_values;
    v.jpegQuality = m_udJpg->value();
    v.jpegProgressive = m_chkJpgPro->isChecked();
    v.pngZlib = indexOr(m_cboZlib, 0, v.pngZlib);
    v.pngInterlace = m_chkPInterlace->isChecked() ? 1 : 0;
    v.autoSave.saveType = indexOr(m_cboAutoType, 1, v.autoSave.saveType);
    v.autoSave.dir = m_edtAutoDir->text();
    v.autoSave.file = m_edtAutoFile->text();
    // A counter past the control's range stays as it is unless the user changed the number.
    if (m_updAutoNo->value() != m_loadedNumber)
        v.autoSaveNumber = m_updAutoNo->value();
    v.autoSave.digits = indexOr(m_cboAutoNoKeta, 1, v.autoSave.digits);
    v.autoSave.fileAfter = m_edtAutoFileAfter->text();
    v.autoSave.overwrite = m_chkAutoOverWrite->isChecked();
    v.mailSaveType = indexOr(m_cboMailType, 1, v.mailSaveType);
    v.mailFile = m_edtMailFile->text();
    v.mailAutoSend = m_chkSendMail->isChecked();
    v.mailTo = m_edtMailTo->text();
    v.mailSubject = m_edtMailSubject->text();
}

bool EditSaveSettings(QWidget* parent, SaveSettingsValues& values, std::function<void(int)> help)
{
    TfrmOptsv dialog(parent, std::move(help));
    dialog.load(values);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    values = dialog.values();
    return true;
}

} // namespace vistrel
