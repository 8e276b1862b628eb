#include "options/TfrmOption.h"

#include "options/HeaderPreview.h"
#include "options/OptionRules.h"
#include "options/TfrmTool.h"
#include "platform/MessageBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
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

namespace {

// Help topics of the eight pages.
constexpr int HelpContexts[] = {30, 32, 34, 36, 38, 40, 42, 44};
constexpr int TrimIeMargins[] = {2, 2, 2, 18}; // top, bottom, left, right

const char* const ScrollCaptureNote =
    "スクロールキャプチャは、マウスホイールでウインドウをスクロールさせ、その移動量を測って"
    "画像をつなぎ合わせます。ホイールでスクロールできるウインドウが対象です。再描画の遅い"
    "プログラムでは、スクロールの更新時間を長くするとうまくいきます。";

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// An up-down control whose edit field carries its own name, as the dialog's pairs do.
QSpinBox* spin(const char* spinName, const char* editName, int minimum, int maximum, int step,
               int chars)
{
    auto* box = named(new QSpinBox, spinName);
    box->setRange(minimum, maximum);
    box->setSingleStep(step);
    if (auto* edit = box->findChild<QLineEdit*>()) {
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setMaxLength(chars);
    }
    return box;
}

QLabel* caption(const char* text, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(utf8(text));
    label->setBuddy(buddy);
    return label;
}

// Widgets side by side, left aligned.
QWidget* row(std::initializer_list<QWidget*> widgets, bool stretchFirst = false)
{
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    bool first = true;
    for (QWidget* widget : widgets) {
        layout->addWidget(widget, first && stretchFirst ? 1 : 0);
        first = false;
    }
    if (!stretchFirst)
        layout->addStretch(1);
    return holder;
}

QGroupBox* group(const char* title, std::initializer_list<QWidget*> widgets)
{
    auto* box = new QGroupBox(utf8(title));
    auto* layout = new QVBoxLayout(box);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return box;
}

QWidget* page(std::initializer_list<QWidget*> groups)
{
    auto* holder = new QWidget;
    auto* layout = new QVBoxLayout(holder);
    for (QWidget* widget : groups)
        layout->addWidget(widget);
    layout->addStretch(1);
    return holder;
}

QFrame* colourSample(const char* name)
{
    auto* sample = named(new QFrame, name);
    sample->setFrameShape(QFrame::Box);
    sample->setFixedSize(48, 20);
    sample->setAutoFillBackground(true);
    return sample;
}

void paintSample(QFrame* sample, int reference)
{
    const RgbColour c = FromColourReference(reference);
    QPalette palette = sample->palette();
    palette.setColor(QPalette::Window, QColor(c.red, c.green, c.blue));
    sample->setPalette(palette);
}

QRadioButton* radio(QButtonGroup* group, int id, const char* name, const char* text)
{
    auto* button = named(new QRadioButton(utf8(text)), name);
    group->addButton(button, id);
    return button;
}

// Checks the button of `id`, or none when the stored value has no button.
void checkId(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

int checkedOr(const QButtonGroup* group, int keep)
{
    return group->checkedId() < 0 ? keep : group->checkedId();
}

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
            return HeaderPreviewText(text, QDateTime::currentDateTime(),
                                     qEnvironmentVariable("USER"), QSysInfo::machineHostName());
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
        h.programFolder = QCoreApplication::applicationDirPath();
}

QWidget* TfrmOption::buildGeneralPage()
{
    m_chkIconUp = named(new QCheckBox(utf8("タスクトレイに格納して起動する(&T)")), "chkIconUp");
    m_udTRugu = spin("udTRugu", "edtTRugu", 100, 3000, 50, 4);
    m_chkAutoScroll =
        named(new QCheckBox(utf8("ウインドウを自動的にスクロールさせる(&S)")), "chkAutoScroll");
    m_udScrollRagu = spin("udScrollRagu", "edtScrollRagu", 10, 1000, 10, 4);
    auto* note = named(new QLabel(utf8(ScrollCaptureNote)), "Label21");
    note->setWordWrap(true);
    m_chkWaveCall = named(new QCheckBox(utf8("キャプチャ時に音を鳴らす(&W)")), "chkWaveCall");
    m_edtWaveFile = named(new QLineEdit, "edtWaveFile");
    m_butWave = named(new QPushButton(QStringLiteral("...")), "butWave");
    auto* butWaveTest = named(new QPushButton(QStringLiteral("再生")), "butWaveTest");
    m_chkAppClose = named(new QCheckBox(utf8("「×」マーク押下時にアプリケーションを終了する(&C)")),
                          "chkAppClose");
    m_butWave->setFixedWidth(m_butWave->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                             16);

    connect(m_chkAutoScroll, &QCheckBox::toggled, this, &TfrmOption::updateEnabledStates);
    connect(m_chkWaveCall, &QCheckBox::toggled, this, &TfrmOption::updateEnabledStates);
    connect(m_butWave, &QPushButton::clicked, this, &TfrmOption::butWaveClick);
    connect(butWaveTest, &QPushButton::clicked, this, &TfrmOption::butWaveTestClick);

    return page(
        {group("環境設定", {m_chkIconUp,
                            row({caption("ウエイト時間(&W) :", m_udTRugu), m_udTRugu,
                                 new QLabel(QStringLiteral("(ms)"))}),
                            m_chkAutoScroll,
                            row({caption("スクロールの更新時間(&U) :", m_udScrollRagu),
                                 m_udScrollRagu, new QLabel(QStringLiteral("(ms)"))}),
                            note, m_chkWaveCall, row({m_edtWaveFile, m_butWave, butWaveTest}, true),
                            m_chkAppClose})});
}

QWidget* TfrmOption::buildFileListPage()
{
    m_edtInitDir = named(new QLineEdit, "edtInitDir");
    m_butInitDir = named(new QPushButton(QStringLiteral("... ")), "butInitDir");
    m_chkInitDir = named(new QCheckBox(utf8("終了時に開いていたフォルダにする(&E)")), "chkInitDir");
    m_chkFileMode =
        named(new QCheckBox(utf8("ファイル情報をステータスバーに表示する(&F)")), "chkFileMode");
    connect(m_chkInitDir, &QCheckBox::toggled, this, &TfrmOption::updateEnabledStates);
    connect(m_butInitDir, &QPushButton::clicked, this, &TfrmOption::butInitDirClick);
    auto* folderGroup =
        group("初期表示フォルダ(&D)", {row({m_edtInitDir, m_butInitDir}, true), m_chkInitDir});
    folderGroup->setFocusProxy(m_edtInitDir);
    return page({folderGroup, group("表示オプション", {m_chkFileMode})});
}

QWidget* TfrmOption::buildHistoryPage()
{
    m_udRirekiCnt = spin("udRirekiCnt", "edtRirekiCnt", 5, 50, 5, 2);
    return page(
        {group("キャプチャ履歴", {row({caption("履歴の個数(&C) :", m_udRirekiCnt), m_udRirekiCnt,
                                       new QLabel(QStringLiteral("(個)"))})})});
}

QWidget* TfrmOption::buildColourPage()
{
    m_shpBack = colourSample("shpBack");
    auto* butBackColor = named(new QPushButton(utf8("色の変更(&H)...")), "butBackColor");
    auto* lineGroup = new QButtonGroup(this);
    m_optLineHan = radio(lineGroup, 1, "optLineHan", "反転色(&C)");
    m_optLineCol = radio(lineGroup, 0, "optLineCol", "指定した色(&S)");
    m_shpLine = colourSample("shpLine");
    m_butLineColor = named(new QPushButton(utf8("色の変更(&L)...")), "butLineColor");
    connect(butBackColor, &QPushButton::clicked, this, [this] { chooseColour(m_back, m_shpBack); });
    connect(m_butLineColor, &QPushButton::clicked, this,
            [this] { chooseColour(m_line, m_shpLine); });
    connect(m_optLineCol, &QRadioButton::toggled, this, &TfrmOption::updateEnabledStates);
    return page(
        {group("背景色", {row({caption("現在の色 :"), m_shpBack, butBackColor})}),
         group("範囲選択線の色", {m_optLineHan, m_optLineCol,
                                  row({caption("現在の色 :"), m_shpLine, m_butLineColor})})});
}

QWidget* TfrmOption::buildTrimPage()
{
    const char* const names[][3] = {{"updTrimTop", "edtTrimTop", "上(&T)"},
                                    {"updTrimBottom", "edtTrimBottom", "下(&B)"},
                                    {"updTrimLeft", "edtTrimLeft", "左(&L)"},
                                    {"updTrimRight", "edtTrimRight", "右(&R)"}};
    auto* margins = new QWidget;
    auto* grid = new QGridLayout(margins);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        m_updTrim[i] = spin(names[i][0], names[i][1], 0, 999, 1, 3);
        grid->addWidget(caption(names[i][2], m_updTrim[i]), i / 2, (i % 2) * 2);
        grid->addWidget(m_updTrim[i], i / 2, (i % 2) * 2 + 1);
    }
    grid->setColumnStretch(4, 1);
    auto* butReset = named(new QPushButton(utf8("リセット(&R)")), "butReset");
    auto* butBrower = named(new QPushButton(QStringLiteral("IE(&E)")), "butBrower");
    connect(butReset, &QPushButton::clicked, this, [this] {
        for (QSpinBox* margin : m_updTrim)
            margin->setValue(0);
    });
    connect(butBrower, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < 4; ++i)
            m_updTrim[i]->setValue(TrimIeMargins[i]);
    });
    return page({group("キャプチャした画像のトリミング",
                       {margins, new QLabel(utf8("トリミングする幅をピクセルで指定します。")),
                        row({butReset, butBrower})})});
}

QWidget* TfrmOption::buildPrintPage()
{
    m_prnMode = new QButtonGroup(this);
    auto* modes = group("印刷方法(&P)",
                        {radio(m_prnMode, 2, "optPrnPort", "画面のサイズをそのまま出力する"),
                         radio(m_prnMode, 1, "optPrnFit", "プリンタの用紙サイズに合わせて出力する"),
                         radio(m_prnMode, 0, "optPrnNone", "プリンタの解像度で出力する")});
    modes->setFocusProxy(m_prnMode->button(2));

    m_prnOrient = new QButtonGroup(this);
    auto* buttons = new QWidget;
    auto* buttonColumn = new QVBoxLayout(buttons);
    buttonColumn->setContentsMargins(0, 0, 0, 0);
    buttonColumn->addWidget(radio(m_prnOrient, 0, "optPrnOrient1", "縦"));
    buttonColumn->addWidget(radio(m_prnOrient, 1, "optPrnOrient2", "横"));
    buttonColumn->addWidget(radio(m_prnOrient, 2, "optPrnOrient3", "自動"));
    m_pnlPaper = named(new QFrame, "pnlPaper");
    m_pnlPaper->setFixedSize(64, 64);
    m_shpPaper = named(new QLabel(m_pnlPaper), "shpPaper");
    m_shpPaper->setFrameShape(QFrame::Box);
    m_shpPaper->setAlignment(Qt::AlignCenter);
    connect(m_prnOrient, &QButtonGroup::idClicked, this, &TfrmOption::showPaperSketch);
    auto* orientation = group("用紙の向き(&O)", {row({buttons, m_pnlPaper})});
    orientation->setFocusProxy(m_prnOrient->button(0));

    m_updSpTop = spin("updSpTop", "edtSpTop", 0, 100, 1, 3);
    m_updSpLeft = spin("updSpLeft", "edtSpLeft", 0, 100, 1, 3);
    const auto mm = [] { return new QLabel(QStringLiteral("(㎜)")); };
    auto* margins =
        group("余白設定", {row({caption("上余白(&T) :", m_updSpTop), m_updSpTop, mm()}),
                           row({caption("左余白(&L) :", m_updSpLeft), m_updSpLeft, mm()})});
    return page({modes, orientation, margins});
}

QWidget* TfrmOption::buildHeaderPage()
{
    m_chkHeadPrn = named(new QCheckBox(utf8("ヘッダの印刷を行う(&H)")), "chkHeadPrn");
    m_edtFontSize = named(new QLineEdit, "edtFontSize");
    m_edtFontSize->setMaxLength(2);
    m_edtFontSize->setFixedWidth(
        m_edtFontSize->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    m_edtHeadText = named(new QLineEdit, "edtHeadText");
    m_edtHeadText->setMaxLength(255);
    auto* legend = new QLabel(
        utf8("<$DATE> - 日付 <$TIME> - 時刻 <$USER> - ユーザー名 <$COM> - コンピュータ名"));
    legend->setTextFormat(Qt::PlainText);
    m_lblImage = named(new QLabel, "lblImage");
    m_lblImage->setTextFormat(Qt::PlainText);
    m_lblImage->setFrameShape(QFrame::StyledPanel);
    m_lblImage->setFixedHeight(56);
    m_lblImage->setMinimumWidth(360);
    m_optHeadPos = new QButtonGroup(this);
    auto* positions = group("配置(&P)", {row({radio(m_optHeadPos, 0, "optHeadPos0", "左揃え"),
                                              radio(m_optHeadPos, 1, "optHeadPos1", "中央揃え"),
                                              radio(m_optHeadPos, 2, "optHeadPos2", "右揃え")})});
    positions->setObjectName(QStringLiteral("optHeadPos"));
    positions->setFocusProxy(m_optHeadPos->button(0));
    connect(m_edtFontSize, &QLineEdit::textChanged, this, &TfrmOption::updateHeaderPreview);
    connect(m_edtHeadText, &QLineEdit::textChanged, this, &TfrmOption::updateHeaderPreview);
    return page(
        {group("ヘッダの設定",
               {m_chkHeadPrn, row({caption("フォントサイズ(&S)", m_edtFontSize), m_edtFontSize}),
                caption("ヘッダのテキスト(&T) :", m_edtHeadText), m_edtHeadText, legend, m_lblImage,
                positions})});
}

QWidget* TfrmOption::buildToolPage()
{
    m_lstTool = named(new QListWidget, "lstTool");
    auto* add = named(new QPushButton(utf8("追加(&A)...")), "butToolAdd");
    auto* edit = named(new QPushButton(utf8("編集(&E)...")), "butToolEdit");
    auto* remove = named(new QPushButton(utf8("削除(&D)")), "butToolDel");
    connect(add, &QPushButton::clicked, this, &TfrmOption::butToolAddClick);
    connect(edit, &QPushButton::clicked, this, &TfrmOption::butToolEditClick);
    connect(remove, &QPushButton::clicked, this, &TfrmOption::butToolDelClick);
    connect(m_lstTool, &QListWidget::itemDoubleClicked, this, &TfrmOption::butToolEditClick);
    auto* buttons = new QWidget;
    auto* column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(add);
    column->addWidget(edit);
    column->addWidget(remove);
    column->addStretch(1);
    auto* tools = group("ツール", {row({m_lstTool, buttons}, true)});
    tools->setFocusProxy(m_lstTool);
    return page({tools});
}

void TfrmOption::buildButtons(QVBoxLayout* layout)
{
    auto* buttons = new QDialogButtonBox;
    auto* ok = named(new QPushButton(QStringLiteral("&OK")), "butOK");
    auto* cancel = named(new QPushButton(QStringLiteral("キャンセル")), "butCancel");
    auto* help = named(new QPushButton(QStringLiteral("ヘルプ(&H)")), "butHelp");
    ok->setDefault(true);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    buttons->addButton(help, QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmOption::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmOption::reject);
    connect(help, &QPushButton::clicked, this, &TfrmOption::butHelpClick);
    layout->addWidget(buttons);
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
