#include "options/TfrmOption.h"

#include "options/OptionWidgets.h"
#include "platform/DialogButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

// The eight pages of the options dialog and its buttons.
namespace vistrel {

using namespace optionui;

namespace {

constexpr int TrimIeMargins[] = {2, 2, 2, 18}; // top, bottom, left, right

const char* const ScrollCaptureNote =
    "スクロールキャプチャは、マウスホイールでウインドウをスクロールさせ、その移動量を測って"
    "画像をつなぎ合わせます。ホイールでスクロールできるウインドウが対象です。再描画の遅い"
    "プログラムでは、スクロールの更新時間を長くするとうまくいきます。";

} // namespace

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
    // On several monitors a full-screen capture takes the primary one unless told otherwise.
    m_cboFullScreen = named(new QComboBox, "cboFullScreen");
    m_cboFullScreen->addItems(
        {utf8("プライマリモニタ"), utf8("すべてのモニタ"), utf8("マウスポインタのあるモニタ")});
    // Without the tick the program's own help window shows the manual, browser or not.
    m_chkHelpBrowser =
        named(new QCheckBox(utf8("ヘルプを Web ブラウザで表示する(&B)")), "chkHelpBrowser");
    m_butWave->setFixedWidth(m_butWave->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                             16);

    connect(m_chkAutoScroll, &QCheckBox::toggled, this, &TfrmOption::updateEnabledStates);
    connect(m_chkWaveCall, &QCheckBox::toggled, this, &TfrmOption::updateEnabledStates);
    connect(m_butWave, &QPushButton::clicked, this, &TfrmOption::butWaveClick);
    connect(butWaveTest, &QPushButton::clicked, this, &TfrmOption::butWaveTestClick);

    return page({group(
        "環境設定",
        {m_chkIconUp,
         row({caption("ウエイト時間(&W) :", m_udTRugu), m_udTRugu,
              new QLabel(QStringLiteral("(ms)"))}),
         m_chkAutoScroll,
         row({caption("スクロールの更新時間(&U) :", m_udScrollRagu), m_udScrollRagu,
              new QLabel(QStringLiteral("(ms)"))}),
         note, m_chkWaveCall, row({m_edtWaveFile, m_butWave, butWaveTest}, true), m_chkAppClose,
         row({caption("フルスクリーンキャプチャの範囲(&M) :", m_cboFullScreen), m_cboFullScreen}),
         m_chkHelpBrowser})});
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
    auto* modes = group(
        "印刷方法(&P)",
        {radio(m_prnMode, 2, "optPrnPort", "画面のサイズをそのまま出力する"),
         radio(m_prnMode, 1, "optPrnFit", "プリンタの用紙サイズに合わせて出力する"),
         radio(m_prnMode, 0, "optPrnNone", "プリンタの解像度で出力する"),
         radio(m_prnMode, 3, "optPrnSplit", "用紙の幅に合わせて複数のページに分けて出力する")});
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
    layout->addWidget(OkCancelHelpButtons(this, [this] { butHelpClick(); }));
}

} // namespace vistrel
