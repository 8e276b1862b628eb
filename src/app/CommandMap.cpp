#include "app/CommandMap.h"

#include "app/ToolbarIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace vistrel {

// One line of the command table.
struct CommandRow {
    enum Kind { Menu, Item, Check, Radio, Separator, Submenu, EndSubmenu };
    Kind kind;
    const char* name;    // object name of the menu or item
    const char* caption; // text shown, exactly as the program's texts are fixed
    const char* shortcut = nullptr;
    int tag = 0;
    const char* handler = nullptr;
};

// Toolbar buttons: the button's name, its hint and the menu item whose
// command (and, for toggles, state) it shares, or the popup it opens.
struct ButtonRow {
    const char* toolBar;
    const char* name;
    const char* hint;
    const char* sharesItem;           // nullptr: a separator
    const char* arrowPopup = nullptr; // a button with a drop-down arrow opening this popup
};

namespace {

using R = CommandRow;

// The main menu, top to bottom.
const CommandRow MainMenu[] = {
    {R::Menu, "mnuFile", "ファイル(&F)"},
    {R::Item, "mnuFileOpen", "画像ファイルを開く(&O)...", nullptr, 0, "mnuFileOpenClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuFileSave", "名前を付けて保存(&S)...", "Ctrl+S", 1, "mnuFileSaveClick"},
    {R::Item, "mnuFileJSave", "名前を付けてJPEG保存(&J)...", nullptr, 2, "mnuFileSaveClick"},
    {R::Item, "mnuFilePSave", "名前を付けてPNG保存(&N)...", nullptr, 3, "mnuFileSaveClick"},
    {R::Item, "mnuFileGSave", "名前を付けてGIF保存(&G)...", nullptr, 4, "mnuFileSaveClick"},
    {R::Item, "mnuFileAutoSave", "連続して保存する(&A)", nullptr, 0, "mnuFileAutoSaveClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuFilePrint", "印刷出力(&P)", nullptr, 0, "mnuFilePrintClick"},
    {R::Item, "mnuFileSendMail", "電子メールで送信(&M)", nullptr, 0, "mnuFileSendMailClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuFileSaveSet", "保存形式・連続保存の設定(&H)...", nullptr, 0,
     "mnuFileSaveSetClick"},
    {R::Item, "mnuFilePrnSet", "プリンタの設定(&T)...", nullptr, 0, "mnuFilePrnSetClick"},
    {R::Check, "mnuFilePrnDlg", "出力時にプリンタダイアログを表示(&L)", nullptr, 0,
     "mnuFilePrnDlgClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuFileAtdirSet", "現在のフォルダを連続格納先とする(&R)", nullptr, 0,
     "mnuFileAtdirSetClick"},
    {R::Item, "mnuFileDel", "ファイルの削除(&D)", "Del", 0, "mnuFileDelClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuFileTabClose", "タブを閉じる(&C)", "Ctrl+W", 0, "mnuFileTabCloseClick"},
    {R::Item, "mnuFileExit", "終了(&X)", "Ctrl+X", 0, "mnuFileExitClick"},

    {R::Menu, "mnuCap", "キャプチャ(&C)"},
    {R::Item, "mnuCapDeskTop", "フルスクリーン(&F)", nullptr, 0, "mnuCapDeskTopClick"},
    {R::Item, "mnuCapActive", "アクティブウインドウ(&A)", nullptr, 0, "mnuCapActiveClick"},
    {R::Item, "mnuCapWindow", "ウインドウまたはコントロール(&W)", nullptr, 0, "mnuCapWindowClick"},
    {R::Item, "mnuCapRegion", "範囲を指定(&R)", nullptr, 0, "mnuCapRegionClick"},
    {R::Item, "mnuCapLastRegion", "前回の範囲でキャプチャ(&L)", nullptr, 0,
     "mnuCapLastRegionClick"},
    {R::Submenu, "mnuTimer", "タイマーキャプチャ(&T)"},
    {R::Item, "mnuTimerDeskTop", "フルスクリーン(&F)", nullptr, 0, "mnuTimerDeskTopClick"},
    {R::Item, "mnuTimerActive", "アクティブウインドウ(&A)", nullptr, 0, "mnuTimerActiveClick"},
    {R::Item, "mnuTimerWindow", "ウインドウまたはコントロール(&W)", nullptr, 0,
     "mnuTimerWindowClick"},
    {R::EndSubmenu, "", ""},
    {R::Separator, "", ""},
    {R::Check, "mnuCapClient", "クライアント領域を取得する(&C)", nullptr, 0, "mnuCapClientClick"},
    {R::Check, "mnuCapMouse", "マウスカーソル取り込み(&M)", nullptr, 0, "mnuCapMouseClick"},
    {R::Check, "mnuCapTrim", "トリミング加工をする(R)", nullptr, 0, "mnuCapTrimClick"},
    {R::Separator, "", ""},
    {R::Submenu, "mnuAfterAct", "キャプチャ後(&E)"},
    {R::Radio, "mnuAfterAct0", "何もしない(&N)", nullptr, 0, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct1", "名前を付けて保存する(&S)", nullptr, 1, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct2", "名前を付けてJPEG保存する(&J)", nullptr, 2, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct3", "名前を付けてPNG保存する(&N)", nullptr, 3, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct4", "名前を付けてGIF保存する(&G)", nullptr, 4, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct5", "連続して保存する(&A)", nullptr, 5, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct6", "クリップボードへコピー(&C)", nullptr, 6, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct7", "印刷出力する(&P)", nullptr, 7, "mnuAfterAct0Click"},
    {R::Radio, "mnuAfterAct8", "電子メールで送信する(&M)", nullptr, 8, "mnuAfterAct0Click"},
    {R::EndSubmenu, "", ""},

    {R::Menu, "mnuEdit", "編集(&E)"},
    {R::Item, "mnuEditUndo", "1つ前の操作を元に戻す(&U)", "Ctrl+Z", 0, "mnuEditUndoClick"},
    {R::Item, "mnuEditRedo", "やり直し(&Y)", "Ctrl+Shift+Z", 0, "mnuEditRedoClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuEditCopy", "クリップボードへコピー(&C)", "Ctrl+C", 0, "mnuEditCopyClick"},
    {R::Item, "mnuEditPaste", "クリップボードから取り込む(&P)", "Ctrl+V", 0, "mnuEditPasteClick"},
    {R::Separator, "", ""},
    {R::Submenu, "mnuEditHCur", "標準カーソル埋め込み(&H)"},
    {R::Item, "mnuHCur1", "", nullptr, 0, "mnuCur1Click"},
    {R::Item, "mnuHCur2", "", nullptr, 1, "mnuCur1Click"},
    {R::Item, "mnuHCur3", "", nullptr, 2, "mnuCur1Click"},
    {R::Item, "mnuHCur4", "", nullptr, 3, "mnuCur1Click"},
    {R::Item, "mnuHCur5", "", nullptr, 4, "mnuCur1Click"},
    {R::Item, "mnuHCur6", "", nullptr, 5, "mnuCur1Click"},
    {R::Item, "mnuHCur7", "", nullptr, 6, "mnuCur1Click"},
    {R::Item, "mnuHCur8", "", nullptr, 7, "mnuCur1Click"},
    {R::Item, "mnuHCur9", "", nullptr, 8, "mnuCur1Click"},
    {R::Item, "mnuHCur10", "", nullptr, 9, "mnuCur1Click"},
    {R::Item, "mnuHCur11", "", nullptr, 10, "mnuCur1Click"},
    {R::Item, "mnuHCur12", "", nullptr, 11, "mnuCur1Click"},
    {R::EndSubmenu, "", ""},
    {R::Submenu, "mnuEditIcon", "アイコンファイルの埋め込み(&I)"},
    {R::Item, "mnuIconTouPaste", "登録済みアイコンから(&C)...", nullptr, 0, "mnuIconTouPasteClick"},
    {R::Item, "mnuIconFlPaste", "ファイルから読み込む(&F)...", nullptr, 0, "mnuIconFlPasteClick"},
    {R::Item, "mnuIconEdit", "アイコンファイルの登録(&T)...", nullptr, 0, "mnuIconEditClick"},
    {R::EndSubmenu, "", ""},
    {R::Separator, "", ""},
    {R::Submenu, "mnuRotate", "回転(&T)"},
    {R::Item, "mnuRotate90Right", "90度時計回り(&R)", nullptr, 90, "mnuRotate90RightClick"},
    {R::Item, "mnuRotate90Left", "90度反時計回り(&L)", nullptr, 270, "mnuRotate90RightClick"},
    {R::Item, "mnuRotate180", "反転(&F)", nullptr, 180, "mnuRotate90RightClick"},
    {R::Item, "mnuRotateAngle", "指定(&S)...", nullptr, 0, "mnuRotate90RightClick"},
    {R::EndSubmenu, "", ""},
    {R::Item, "mnuEditZoom", "イメージサイズの変更(&S)...", nullptr, 0, "mnuEditZoomClick"},
    {R::Separator, "", ""},
    {R::Check, "mnuEditCut", "切り抜き(&N)", nullptr, 0, "mnuEditCutClick"},
    {R::Item, "mnuEditCutReturn", "直前の切り抜き操作を繰り返す(&R)", "Ctrl+Y", 0,
     "mnuEditCutReturnClick"},
    {R::Separator, "", ""},
    {R::Check, "mnuEditRangeOver", "エリア選択の枠外を処理する(&O)", nullptr, 0,
     "mnuEditRangeOverClick"},
    {R::Check, "mnuEditRange", "エリア選択(&A)", nullptr, 0, "mnuEditRangeClick"},
    {R::Item, "mnuEditMozaic", "モザイク(&M)", nullptr, 0, "mnuEditMozaicClick"},
    {R::Item, "mnuEditColor", "カラーの変更(&L)...", nullptr, 0, "mnuEditColorClick"},
    {R::Separator, "", ""},
    {R::Submenu, "mnuEditDraw", "描き込み(&W)"},
    {R::Check, "mnuDrawArrow", "矢印(&A)", nullptr, 1, "mnuDrawToolClick"},
    {R::Check, "mnuDrawLine", "直線(&L)", nullptr, 2, "mnuDrawToolClick"},
    {R::Check, "mnuDrawPen", "ペン(&P)", nullptr, 3, "mnuDrawToolClick"},
    {R::Check, "mnuDrawMarker", "マーカー(&M)", nullptr, 4, "mnuDrawToolClick"},
    {R::Check, "mnuDrawText", "テキスト(&T)", nullptr, 5, "mnuDrawToolClick"},
    {R::Check, "mnuDrawBadge", "番号(&N)", nullptr, 6, "mnuDrawToolClick"},
    {R::Check, "mnuDrawBlur", "ぼかし(&B)", nullptr, 7, "mnuDrawToolClick"},
    {R::EndSubmenu, "", ""},

    {R::Menu, "mnuHyoji", "表示(&V)"},
    {R::Check, "mnuHyojiFileLst", "ファイルリストを表示する(&F)", nullptr, 0,
     "mnuHyojiFileLstClick"},
    {R::Separator, "", ""},
    {R::Radio, "mnuHyojiBIcon", "大きいアイコン(&G)", nullptr, 1, "mnuHyojiBIconClick"},
    {R::Radio, "mnuHyojiSIcon", "小さいアイコン(&M)", nullptr, 2, "mnuHyojiBIconClick"},
    {R::Radio, "mnuHyojiList", "一覧(&L)", nullptr, 3, "mnuHyojiBIconClick"},
    {R::Radio, "mnuHyojiReport", "詳細(&D)", nullptr, 4, "mnuHyojiBIconClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuHyojiRefresh", "最新情報に更新する(&R)", nullptr, 0, "mnuHyojiRefreshClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuHyojiZoomFit", "ウィンドウに合わせる(&W)", "Ctrl+9", 0, "mnuHyojiZoomClick"},
    {R::Item, "mnuHyojiZoom100", "実際のサイズ(100%)(&A)", "Ctrl+0", 1, "mnuHyojiZoomClick"},
    {R::Item, "mnuHyojiZoomIn", "拡大(&I)", "Ctrl++", 2, "mnuHyojiZoomClick"},
    {R::Item, "mnuHyojiZoomOut", "縮小(&O)", "Ctrl+-", 3, "mnuHyojiZoomClick"},

    {R::Menu, "mnuTool", "ツール(&T)"},
    {R::Item, "mnuToolTimerSet", "タイマー設定(&M)...", nullptr, 0, "mnuToolTimerSetClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuToolApp1", "", nullptr, 1, "mnuToolApp1Click"},
    {R::Item, "mnuToolApp2", "", nullptr, 2, "mnuToolApp1Click"},
    {R::Item, "mnuToolApp3", "", nullptr, 3, "mnuToolApp1Click"},
    {R::Item, "mnuToolApp4", "", nullptr, 4, "mnuToolApp1Click"},
    {R::Item, "mnuToolApp5", "", nullptr, 5, "mnuToolApp1Click"},
    {R::Separator, "", ""},
    {R::Item, "mnuToolHotkey", "ホットキーの設定(&H)...", nullptr, 0, "mnuToolHotkeyClick"},
    {R::Item, "mnuToolOption", "オプション(&O)...", nullptr, 0, "mnuToolOptionClick"},

    {R::Menu, "mnuHelp", "ヘルプ(&H)"},
    {R::Item, "mnuHelpHelp", "ヘルプの表示(&C)", "F1", 0, "mnuHelpHelpClick"},
    {R::Item, "mnuHelpHomePage", "最新版のダウンロード先(&N)", nullptr, 0, "mnuHelpHomePageClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuHelpAbout", "バージョン情報(&A)...", nullptr, 0, "mnuHelpAboutClick"},
};

const ButtonRow Buttons[] = {
    {"TBarMain", "tButFileLst", "ファイルリストを表示する", "mnuHyojiFileLst"},
    {"TBarMain", nullptr, nullptr, nullptr},
    {"TBarMain", "tButOpen", "画像ファイルを開く", "mnuFileOpen"},
    {"TBarMain", "tButSave", "名前を付けてファイルに保存", "mnuFileSave"},
    {"TBarMain", "tButJSave", "名前を付けてJPEG保存", "mnuFileJSave"},
    {"TBarMain", "tButPSave", "名前を付けてPNG保存", "mnuFilePSave"},
    {"TBarMain", "tButGSave", "名前を付けてGIF保存", "mnuFileGSave"},
    {"TBarMain", "tButAutoSave", "連続保存する", "mnuFileAutoSave"},
    {"TBarMain", "tButPrint", "印刷出力", "mnuFilePrint"},
    {"TBarMain", "tButSendMail", "メール送信", "mnuFileSendMail"},
    {"TBarMain", "tButSaveSet", "保存形式・連続保存の設定", "mnuFileSaveSet"},
    {"TBarMain", nullptr, nullptr, nullptr},
    {"TBarMain", "tButCapScreen", "フルスクリーン", "mnuCapDeskTop"},
    {"TBarMain", "tButCapActive", "アクティブウインドウ", "mnuCapActive"},
    {"TBarMain", "tButCapWindow", "ウインドウまたはコントロール", "mnuCapWindow"},
    {"TBarMain", "tButCapRegion", "範囲を指定", "mnuCapRegion"},
    {"TBarMain", nullptr, nullptr, nullptr},
    {"TBarMain", "tButCapScreenTm", "タイマー・フルスクリーン", "mnuTimerDeskTop"},
    {"TBarMain", "tButCapActiveTm", "タイマー・アクティブウインドウ", "mnuTimerActive"},
    {"TBarMain", "tButCapWindowTm", "タイマー・ウインドウまたはコントロール", "mnuTimerWindow"},
    {"TBarMain", nullptr, nullptr, nullptr},
    {"TBarMain", "tButCapClientRect", "クライアント領域", "mnuCapClient"},
    {"TBarMain", "tButCapMouse", "マウスカーソル取り込み", "mnuCapMouse"},
    {"TBarMain", "tButCapTrim", "トリミング加工", "mnuCapTrim"},
    {"TBarEdit", "tButEdtUndo", "１つ前の操作を元に戻す", "mnuEditUndo"},
    {"TBarEdit", nullptr, nullptr, nullptr},
    {"TBarEdit", "tButEdtClipCopy", "クリップボードへコピー", "mnuEditCopy"},
    {"TBarEdit", "tButEdtClipPaste", "クリップボードから貼り付け", "mnuEditPaste"},
    {"TBarEdit", nullptr, nullptr, nullptr},
    {"TBarEdit", "tButEdtHCur", "カーソル埋め込み", "mnuPopHCur"},
    {"TBarEdit", "tButIconPaste", "登録済みアイコンの埋め込み", "mnuIconTouPaste", "mnuPopIconIns"},
    {"TBarEdit", "tButEdtZoom", "イメージサイズの変更", "mnuEditZoom"},
    {"TBarEdit", "tButEdtCut", "切り抜き", "mnuEditCut"},
    {"TBarEdit", "tButEdtCutReturn", "直前の切り抜き操作を繰り返す", "mnuEditCutReturn"},
    {"TBarEdit", "tEdtRangeOver", "エリア選択の枠外を処理する", "mnuEditRangeOver"},
    {"TBarEdit", "tButEdtRange", "エリア選択", "mnuEditRange"},
    {"TBarEdit", "tButEdtMozaic", "モザイク", "mnuEditMozaic"},
    {"TBarEdit", "tButEdtColor", "画像カラーの変更", "mnuEditColor"},
    {"TBarEdit", nullptr, nullptr, nullptr},
    {"TBarEdit", "tButZoomFit", "ウィンドウに合わせる", "mnuHyojiZoomFit"},
    {"TBarEdit", "tButZoom100", "実際のサイズ", "mnuHyojiZoom100"},
    {"TBarEdit", "tButZoomIn", "拡大", "mnuHyojiZoomIn"},
    {"TBarEdit", "tButZoomOut", "縮小", "mnuHyojiZoomOut"},
    // The tool buttons take their hints from the tool table.
    {"TBarTool", "tButToolApp1", "", "mnuToolApp1"},
    {"TBarTool", "tButToolApp2", "", "mnuToolApp2"},
    {"TBarTool", "tButToolApp3", "", "mnuToolApp3"},
    {"TBarTool", "tButToolApp4", "", "mnuToolApp4"},
    {"TBarTool", "tButToolApp5", "", "mnuToolApp5"},
};

// The notification-area menu; items reuse main-menu commands by handler.
const CommandRow TrayMenu[] = {
    {R::Menu, "mnuPopTray", ""},
    // Offered alone while a timer capture counts down, hidden otherwise.
    {R::Item, "mnuTrayCapStop", "キャプチャを中止", nullptr, 0, "mnuTrayCapStopClick"},
    {R::Item, "mnuTrayOpen", "Vistrelを開く", nullptr, 0, "tryCapDblClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuTrayHotkey", "ホットキーの設定...", nullptr, 0, "mnuToolHotkeyClick"},
    {R::Item, "mnuTrayOption", "オプション...", nullptr, 0, "mnuToolOptionClick"},
    {R::Item, "mnuTraySaveSet", "保存形式・連続保存の設定...", nullptr, 0, "mnuFileSaveSetClick"},
    {R::Separator, "", ""},
    {R::Submenu, "mnuTrayCapKey", "ホットキーキャプチャ"},
    {R::EndSubmenu, "", ""},
    {R::Submenu, "mnuTrayTimer", "タイマーキャプチャ"},
    {R::Item, "mnuTrayTimerDeskTop", "フルスクリーン", nullptr, 0, "mnuTimerDeskTopClick"},
    {R::Item, "mnuTrayTimerActive", "アクティブウインドウ", nullptr, 0, "mnuTimerActiveClick"},
    {R::Item, "mnuTrayTimerWindow", "ウインドウまたはコントロール", nullptr, 0,
     "mnuTimerWindowClick"},
    {R::EndSubmenu, "", ""},
    {R::Submenu, "mnuTrayCap", "キャプチャ"},
    {R::Item, "mnuTrayCapDeskTop", "フルスクリーン", nullptr, 0, "mnuCapDeskTopClick"},
    {R::Item, "mnuTrayCapActive", "アクティブウインドウ", nullptr, 0, "mnuCapActiveClick"},
    {R::Item, "mnuTrayCapWindow", "ウインドウまたはコントロール", nullptr, 0, "mnuCapWindowClick"},
    {R::Item, "mnuTrayCapRegion", "範囲を指定", nullptr, 0, "mnuCapRegionClick"},
    {R::EndSubmenu, "", ""},
    {R::Separator, "", ""},
    {R::Item, "mnuTrayCancel", "キャンセル", nullptr, 0, "mnuTrayCancelClick"},
    {R::Item, "mnuTrayExit", "常駐しないで終了する", nullptr, 0, "mnuFileExitClick"},
};

// The other popup menus: the cursor button, the icon button's arrow, the
// line-style button and the file list.
const CommandRow OtherPopups[] = {
    {R::Menu, "mnuPopHCur", ""},
    {R::Item, "mnuPHCur1", "", nullptr, 0, "mnuCur1Click"},
    {R::Item, "mnuPHCur2", "", nullptr, 1, "mnuCur1Click"},
    {R::Item, "mnuPHCur3", "", nullptr, 2, "mnuCur1Click"},
    {R::Item, "mnuPHCur4", "", nullptr, 3, "mnuCur1Click"},
    {R::Item, "mnuPHCur5", "", nullptr, 4, "mnuCur1Click"},
    {R::Item, "mnuPHCur6", "", nullptr, 5, "mnuCur1Click"},
    {R::Item, "mnuPHCur7", "", nullptr, 6, "mnuCur1Click"},
    {R::Item, "mnuPHCur8", "", nullptr, 7, "mnuCur1Click"},
    {R::Item, "mnuPHCur9", "", nullptr, 8, "mnuCur1Click"},
    {R::Item, "mnuPHCur10", "", nullptr, 9, "mnuCur1Click"},
    {R::Item, "mnuPHCur11", "", nullptr, 10, "mnuCur1Click"},
    {R::Item, "mnuPHCur12", "", nullptr, 11, "mnuCur1Click"},
    {R::Menu, "mnuPopIconIns", ""},
    {R::Item, "mnuPopIconTouPaste", "登録済みアイコンから...", nullptr, 0, "mnuIconTouPasteClick"},
    {R::Item, "mnuPopIconFlPaste", "ファイルから読み込む...", nullptr, 0, "mnuIconFlPasteClick"},
    {R::Item, "mnuPopIconEdit", "アイコンファイルの登録", nullptr, 0, "mnuIconEditClick"},
    {R::Menu, "mnuPopDrawLine", ""},
    {R::Radio, "mnuLinedot0", "実線  1Pixel", nullptr, 0, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot1", "実線  2Pixel", nullptr, 1, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot2", "実線  3Pixel", nullptr, 2, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot3", "実線  4Pixel", nullptr, 3, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot4", "実線  5Pixel", nullptr, 4, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot5", "点線  1Pixel", nullptr, 5, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot6", "点線  2Pixel", nullptr, 6, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot7", "点線  3Pixel", nullptr, 7, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot8", "点線  4Pixel", nullptr, 8, "mnuLinedot0Click"},
    {R::Radio, "mnuLinedot9", "点線  5Pixel", nullptr, 9, "mnuLinedot0Click"},
    {R::Menu, "mnuPopFlist", ""},
    {R::Item, "mnuPopAtdirSet", "現在のフォルダを連続格納先とする(&R)", nullptr, 0,
     "mnuFileAtdirSetClick"},
    {R::Item, "mnuPopFileDel", "ファイルの削除(&D)", nullptr, 0, "mnuFileDelClick"},
    {R::Item, "mnuPopFileLstClose", "ファイルリストを閉じる(&C)", nullptr, 0,
     "mnuHyojiFileLstClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuPopBIcon", "大きいアイコン(&G)", nullptr, 1, "mnuHyojiBIconClick"},
    {R::Item, "mnuPopSIcon", "小さいアイコン(&S)", nullptr, 2, "mnuHyojiBIconClick"},
    {R::Item, "mnuPopList", "一覧(&L)", nullptr, 3, "mnuHyojiBIconClick"},
    {R::Item, "mnuPopReport", "詳細(&D)", nullptr, 4, "mnuHyojiBIconClick"},
    {R::Separator, "", ""},
    {R::Item, "mnuPopRefresh", "最新情報に更新する(&R)", nullptr, 0, "mnuHyojiRefreshClick"},
};

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

CommandMap::CommandMap(QMainWindow& window) : QObject(&window), m_window(window)
{
    buildMenuBar();
    buildPopups();
    buildToolBars();
}

QAction* CommandMap::addItem(QMenu* menu, const CommandRow& row)
{
    auto* action = new QAction(text(row.caption), &m_window);
    action->setObjectName(text(row.name));
    action->setData(row.tag);
    if (row.shortcut != nullptr) {
        action->setShortcut(QKeySequence(text(row.shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setCheckable(row.kind == CommandRow::Check || row.kind == CommandRow::Radio);
    action->setIcon(ToolbarIcon(text(row.name)));
    action->setIconVisibleInMenu(false);
    const QString handler = text(row.handler);
    m_handlerOf.insert(action, handler);
    connect(action, &QAction::triggered, this,
            [this, handler, action] { trigger(handler, action->data().toInt()); });
    menu->addAction(action);
    m_window.addAction(action); // shortcuts work while the menu bar is closed
    m_actions.insert(action->objectName(), action);
    return action;
}

void CommandMap::buildMenuBar()
{
    buildMenus(MainMenu, Placement::MenuBar);
}

void CommandMap::buildToolBars()
{
    for (const char* name : {"TBarMain", "TBarEdit", "TBarTool"}) {
        // Each band gets its own row, as the tool band wraps its bands.
        if (!m_toolBars.isEmpty())
            m_window.addToolBarBreak(Qt::TopToolBarArea);
        auto* bar = new QToolBar(text(name), &m_window);
        bar->setObjectName(text(name));
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        m_window.addToolBar(Qt::TopToolBarArea, bar);
        m_toolBars.insert(bar->objectName(), bar);
    }
    for (const ButtonRow& row : Buttons) {
        QToolBar* bar = m_toolBars.value(text(row.toolBar));
        if (row.name == nullptr) {
            bar->addSeparator();
            continue;
        }
        if (QMenu* popup = m_menus.value(text(row.sharesItem))) {
            addPopupButton(bar, popup, row);
            continue;
        }
        QAction* shared = m_actions.value(text(row.sharesItem));
        shared->setToolTip(text(row.hint));
        bar->addAction(shared);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(shared));
        if (button == nullptr)
            continue;
        button->setObjectName(text(row.name));
        if (row.arrowPopup != nullptr) {
            button->setMenu(m_menus.value(text(row.arrowPopup)));
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
    }
}

void CommandMap::buildPopups()
{
    buildMenus(TrayMenu, Placement::Popup);
    buildMenus(OtherPopups, Placement::Popup);
}

template <std::size_t N>
void CommandMap::buildMenus(const CommandRow (&rows)[N], Placement placement)
{
    QMenu* top = nullptr;
    QList<QMenu*> stack;
    QActionGroup* radioGroup = nullptr; // consecutive radio items form one group
    const auto remember = [this](QMenu* menu, const CommandRow& row) {
        menu->setObjectName(text(row.name));
        m_menus.insert(menu->objectName(), menu);
        return menu;
    };
    for (const CommandRow& row : rows) {
        QMenu* current = stack.isEmpty() ? top : stack.back();
        if (row.kind != CommandRow::Radio)
            radioGroup = nullptr;
        switch (row.kind) {
        case CommandRow::Menu:
            top = remember(placement == Placement::MenuBar
                               ? m_window.menuBar()->addMenu(text(row.caption))
                               : new QMenu(&m_window),
                           row);
            break;
        case CommandRow::Submenu:
            stack.append(remember(current->addMenu(text(row.caption)), row));
            break;
        case CommandRow::EndSubmenu:
            stack.removeLast();
            break;
        case CommandRow::Separator:
            current->addSeparator();
            break;
        case CommandRow::Radio:
            if (radioGroup == nullptr)
                radioGroup = new QActionGroup(current);
            radioGroup->addAction(addItem(current, row));
            break;
        case CommandRow::Item:
        case CommandRow::Check:
            addItem(current, row);
            break;
        }
    }
}

void CommandMap::addPopupButton(QToolBar* bar, QMenu* popup, const ButtonRow& row)
{
    // A drop-down-only button: it opens its popup and runs nothing itself.
    auto* button = new QToolButton(bar);
    button->setObjectName(text(row.name));
    button->setToolTip(text(row.hint));
    button->setIcon(ToolbarIcon(text(row.name)));
    button->setMenu(popup);
    button->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(button);
    m_popupButtons.append(button);
}

void CommandMap::bind(const QString& handlerName, Handler handler)
{
    m_handlers.insert(handlerName, std::move(handler));
}

void CommandMap::finishBinding()
{
    for (auto it = m_handlerOf.cbegin(); it != m_handlerOf.cend(); ++it)
        it.key()->setEnabled(m_handlers.contains(it.value()));
    disableEmptyPopups();
    // Tool slots without a program are hidden, not merely disabled.
    for (int slot = 1; slot <= 5; ++slot)
        m_actions.value(QStringLiteral("mnuToolApp%1").arg(slot))->setVisible(false);
    m_toolBars.value(QStringLiteral("TBarTool"))->setVisible(false);
}

namespace {

// Disables the submenus of `menu` that offer nothing enabled; true when
// `menu` itself offers something. A menu filled later (no items yet) stays.
bool settleSubmenus(QMenu* menu)
{
    bool offersSomething = false;
    for (QAction* item : menu->actions()) {
        if (item->isSeparator())
            continue;
        if (QMenu* submenu = item->menu())
            item->setEnabled(settleSubmenus(submenu) || submenu->actions().isEmpty());
        offersSomething = offersSomething || item->isEnabled();
    }
    return offersSomething;
}

} // namespace

void CommandMap::disableEmptyPopups()
{
    // A submenu or drop-down of unbuilt commands would open as a box of dead
    // items: it shows as unavailable instead.
    for (QMenu* menu : std::as_const(m_menus))
        settleSubmenus(menu);
    for (QToolButton* button : std::as_const(m_popupButtons))
        button->setEnabled(settleSubmenus(button->menu()));
}

void CommandMap::trigger(const QString& handlerName, int tag)
{
    if (const auto it = m_handlers.constFind(handlerName); it != m_handlers.cend())
        (*it)(tag);
}

QAction* CommandMap::action(const QString& objectName) const
{
    return m_actions.value(objectName);
}

QMenu* CommandMap::menu(const QString& objectName) const
{
    return m_menus.value(objectName);
}

QToolBar* CommandMap::toolBar(const QString& objectName) const
{
    return m_toolBars.value(objectName);
}

void CommandMap::setChecked(const QString& objectName, bool checked)
{
    if (QAction* item = m_actions.value(objectName))
        item->setChecked(checked);
}

} // namespace vistrel
