#include "ExpectedCommands.h"

namespace vistrel::expected {

namespace {

MenuRow item(const char* caption, const char* handler, const char* shortcut = "",
             std::optional<int> tag = std::nullopt)
{
    return {0, caption, shortcut, tag, Kind::Item, handler};
}

MenuRow check(const char* caption, const char* handler)
{
    return {0, caption, "", std::nullopt, Kind::Check, handler};
}

MenuRow submenu(const char* caption)
{
    return {0, caption, "", std::nullopt, Kind::Submenu, nullptr};
}

MenuRow sub(MenuRow row)
{
    row.depth = 1;
    return row;
}

Menu fileMenu()
{
    return {"ファイル(&F)",
            {
                item("画像ファイルを開く(&O)...", "mnuFileOpenClick"),
                item("名前を付けて保存(&S)...", "mnuFileSaveClick", "Ctrl+S", 1),
                item("名前を付けてJPEG保存(&J)...", "mnuFileSaveClick", "", 2),
                item("名前を付けてPNG保存(&N)...", "mnuFileSaveClick", "", 3),
                item("名前を付けてGIF保存(&G)...", "mnuFileSaveClick", "", 4),
                item("連続して保存する(&A)", "mnuFileAutoSaveClick"),
                item("印刷出力(&P)", "mnuFilePrintClick"),
                item("電子メールで送信(&M)", "mnuFileSendMailClick"),
                item("保存形式・連続保存の設定(&H)...", "mnuFileSaveSetClick"),
                item("プリンタの設定(&T)...", "mnuFilePrnSetClick"),
                check("出力時にプリンタダイアログを表示(&L)", "mnuFilePrnDlgClick"),
                item("現在のフォルダを連続格納先とする(&R)", "mnuFileAtdirSetClick"),
                item("ファイルの削除(&D)", "mnuFileDelClick", "Del"),
                item("タブを閉じる(&C)", "mnuFileTabCloseClick", "Ctrl+W"),
                item("終了(&X)", "mnuFileExitClick", "Ctrl+X"),
            }};
}

Menu captureMenu()
{
    Menu menu{"キャプチャ(&C)",
              {
                  item("フルスクリーン(&F)", "mnuCapDeskTopClick"),
                  item("アクティブウインドウ(&A)", "mnuCapActiveClick"),
                  item("ウインドウまたはコントロール(&W)", "mnuCapWindowClick"),
                  item("範囲を指定(&R)", "mnuCapRegionClick"),
                  item("前回の範囲でキャプチャ(&L)", "mnuCapLastRegionClick"),
                  submenu("タイマーキャプチャ(&T)"),
                  sub(item("フルスクリーン(&F)", "mnuTimerDeskTopClick")),
                  sub(item("アクティブウインドウ(&A)", "mnuTimerActiveClick")),
                  sub(item("ウインドウまたはコントロール(&W)", "mnuTimerWindowClick")),
                  check("クライアント領域を取得する(&C)", "mnuCapClientClick"),
                  check("マウスカーソル取り込み(&M)", "mnuCapMouseClick"),
                  check("トリミング加工をする(R)", "mnuCapTrimClick"),
                  submenu("キャプチャ後(&E)"),
              }};
    const char* const actions[] = {
        "何もしない(&N)",
        "名前を付けて保存する(&S)",
        "名前を付けてJPEG保存する(&J)",
        "名前を付けてPNG保存する(&N)",
        "名前を付けてGIF保存する(&G)",
        "連続して保存する(&A)",
        "クリップボードへコピー(&C)",
        "印刷出力する(&P)",
        "電子メールで送信する(&M)",
    };
    for (int tag = 0; tag < 9; ++tag)
        menu.rows.push_back({1, actions[tag], "", tag, Kind::Radio, "mnuAfterAct0Click"});
    return menu;
}

Menu editMenu()
{
    Menu menu{"編集(&E)",
              {
                  item("1つ前の操作を元に戻す(&U)", "mnuEditUndoClick", "Ctrl+Z"),
                  item("やり直し(&Y)", "mnuEditRedoClick", "Ctrl+Shift+Z"),
                  item("クリップボードへコピー(&C)", "mnuEditCopyClick", "Ctrl+C"),
                  item("クリップボードから取り込む(&P)", "mnuEditPasteClick", "Ctrl+V"),
                  submenu(CursorSubmenu),
              }};
    // Twelve owner-drawn cursor items: no caption to compare.
    for (int tag = 0; tag < 12; ++tag)
        menu.rows.push_back({1, nullptr, "", tag, Kind::Item, "mnuCur1Click"});
    const std::vector<MenuRow> rest = {
        submenu("アイコンファイルの埋め込み(&I)"),
        sub(item("登録済みアイコンから(&C)...", "mnuIconTouPasteClick")),
        sub(item("ファイルから読み込む(&F)...", "mnuIconFlPasteClick")),
        sub(item("アイコンファイルの登録(&T)...", "mnuIconEditClick")),
        submenu("回転(&T)"),
        sub(item("90度時計回り(&R)", "mnuRotate90RightClick", "", 90)),
        sub(item("90度反時計回り(&L)", "mnuRotate90RightClick", "", 270)),
        sub(item("反転(&F)", "mnuRotate90RightClick", "", 180)),
        sub(item("指定(&S)...", "mnuRotate90RightClick", "", 0)),
        item("イメージサイズの変更(&S)...", "mnuEditZoomClick"),
        check("切り抜き(&N)", "mnuEditCutClick"),
        item("直前の切り抜き操作を繰り返す(&R)", "mnuEditCutReturnClick", "Ctrl+Y"),
        check("エリア選択の枠外を処理する(&O)", "mnuEditRangeOverClick"),
        check("エリア選択(&A)", "mnuEditRangeClick"),
        item("モザイク(&M)", "mnuEditMozaicClick"),
        item("カラーの変更(&L)...", "mnuEditColorClick"),
        submenu("描き込み(&W)"),
    };
    menu.rows.insert(menu.rows.end(), rest.begin(), rest.end());
    const char* const drawingTools[] = {"矢印(&A)",     "直線(&L)", "ペン(&P)",  "マーカー(&M)",
                                        "テキスト(&T)", "番号(&N)", "ぼかし(&B)"};
    for (int tag = 1; tag <= 7; ++tag)
        menu.rows.push_back({1, drawingTools[tag - 1], "", tag, Kind::Check, "mnuDrawToolClick"});
    return menu;
}

Menu viewMenu()
{
    // The four list styles form one radio group (file list pane).
    return {"表示(&V)",
            {
                check("ファイルリストを表示する(&F)", "mnuHyojiFileLstClick"),
                {0, "大きいアイコン(&G)", "", 1, Kind::Radio, "mnuHyojiBIconClick"},
                {0, "小さいアイコン(&M)", "", 2, Kind::Radio, "mnuHyojiBIconClick"},
                {0, "一覧(&L)", "", 3, Kind::Radio, "mnuHyojiBIconClick"},
                {0, "詳細(&D)", "", 4, Kind::Radio, "mnuHyojiBIconClick"},
                item("最新情報に更新する(&R)", "mnuHyojiRefreshClick"),
                item("ウィンドウに合わせる(&W)", "mnuHyojiZoomClick", "Ctrl+9", 0),
                item("実際のサイズ(100%)(&A)", "mnuHyojiZoomClick", "Ctrl+0", 1),
                item("拡大(&I)", "mnuHyojiZoomClick", "Ctrl++", 2),
                item("縮小(&O)", "mnuHyojiZoomClick", "Ctrl+-", 3),
            }};
}

Menu toolMenu()
{
    Menu menu{"ツール(&T)", {item("タイマー設定(&M)...", "mnuToolTimerSetClick")}};
    // The external tool slots carry the tool's title, empty while unset.
    for (int tag = 1; tag <= 5; ++tag)
        menu.rows.push_back(item("", "mnuToolApp1Click", "", tag));
    menu.rows.push_back(item("ホットキーの設定(&H)...", "mnuToolHotkeyClick"));
    menu.rows.push_back(item("オプション(&O)...", "mnuToolOptionClick"));
    return menu;
}

Menu helpMenu()
{
    return {"ヘルプ(&H)",
            {
                item("ヘルプの表示(&C)", "mnuHelpHelpClick", "F1"),
                item("最新版のダウンロード先(&N)", "mnuHelpHomePageClick"),
                item("バージョン情報(&A)...", "mnuHelpAboutClick"),
            }};
}

} // namespace

std::vector<Menu> mainMenus()
{
    return {fileMenu(), captureMenu(), editMenu(), viewMenu(), toolMenu(), helpMenu()};
}

std::vector<ButtonRow> mainToolBar()
{
    return {
        {"tButFileLst", "ファイルリストを表示する", true, {}, "mnuHyojiFileLstClick"},
        {"tButOpen", "画像ファイルを開く", false, {}, "mnuFileOpenClick"},
        {"tButSave", "名前を付けてファイルに保存", false, 1, "mnuFileSaveClick"},
        {"tButJSave", "名前を付けてJPEG保存", false, 2, "mnuFileSaveClick"},
        {"tButPSave", "名前を付けてPNG保存", false, 3, "mnuFileSaveClick"},
        {"tButGSave", "名前を付けてGIF保存", false, 4, "mnuFileSaveClick"},
        {"tButAutoSave", "連続保存する", false, {}, "mnuFileAutoSaveClick"},
        {"tButPrint", "印刷出力", false, {}, "mnuFilePrintClick"},
        {nullptr, "メール送信", false, {}, "mnuFileSendMailClick"},
        {"tButSaveSet", "保存形式・連続保存の設定", false, {}, "mnuFileSaveSetClick"},
        {"tButCapScreen", "フルスクリーン", false, {}, "mnuCapDeskTopClick"},
        {"tButCapActive", "アクティブウインドウ", false, {}, "mnuCapActiveClick"},
        {"tButCapWindow", "ウインドウまたはコントロール", false, {}, "mnuCapWindowClick"},
        {"tButCapRegion", "範囲を指定", false, {}, "mnuCapRegionClick"},
        {"tButCapScreenTm", "タイマー・フルスクリーン", false, {}, "mnuTimerDeskTopClick"},
        {"tButCapActiveTm", "タイマー・アクティブウインドウ", false, {}, "mnuTimerActiveClick"},
        {"tButCapWindowTm",
         "タイマー・ウインドウまたはコントロール",
         false,
         {},
         "mnuTimerWindowClick"},
        {"tButCapClientRect", "クライアント領域", true, {}, "mnuCapClientClick"},
        {"tButCapMouse", "マウスカーソル取り込み", true, {}, "mnuCapMouseClick"},
        {"tButCapTrim", "トリミング加工", true, {}, "mnuCapTrimClick"},
        {"udownTime", "タイマーキャプチャ開始秒"},
    };
}

std::vector<ButtonRow> editToolBar()
{
    return {
        {"cboAfterAct", "キャプチャ後"},
        {"tButEdtUndo", "１つ前の操作を元に戻す", false, {}, "mnuEditUndoClick"},
        {"tButEdtClipCopy", "クリップボードへコピー", false, {}, "mnuEditCopyClick"},
        {"tButEdtClipPaste", "クリップボードから貼り付け", false, {}, "mnuEditPasteClick"},
        {"tButEdtHCur", CursorButtonHint},
        {"tButIconPaste", "登録済みアイコンの埋め込み", false, {}, "mnuIconTouPasteClick"},
        {"tButEdtZoom", "イメージサイズの変更", false, {}, "mnuEditZoomClick"},
        {"tButEdtCut", "切り抜き", true, {}, "mnuEditCutClick"},
        {"tButEdtCutReturn", "直前の切り抜き操作を繰り返す", false, {}, "mnuEditCutReturnClick"},
        {"tEdtRangeOver", "エリア選択の枠外を処理する", true, {}, "mnuEditRangeOverClick"},
        {"tButEdtRange", "エリア選択", true, {}, "mnuEditRangeClick"},
        {"tButEdtMozaic", "モザイク", false, {}, "mnuEditMozaicClick"},
        {"tButEdtColor", "画像カラーの変更", false, {}, "mnuEditColorClick"},
        {"tButZoomFit", "ウィンドウに合わせる", false, {}, "mnuHyojiZoomClick"},
        {"tButZoom100", "実際のサイズ", false, {}, "mnuHyojiZoomClick"},
        {"tButZoomIn", "拡大", false, {}, "mnuHyojiZoomClick"},
        {"tButZoomOut", "縮小", false, {}, "mnuHyojiZoomClick"},
    };
}

std::vector<MenuRow> trayMenu()
{
    return {
        item("キャプチャを中止", "mnuTrayCapStopClick"), // shown only during a countdown
        item("Vistrelを開く", "tryCapDblClick"),
        item("ホットキーの設定...", "mnuToolHotkeyClick"),
        item("オプション...", nullptr),
        item("保存形式・連続保存の設定...", nullptr),
        submenu(HotkeySubmenu), // filled from the hotkey table: its items vary
        submenu("タイマーキャプチャ"),
        sub(item(nullptr, "mnuTimerDeskTopClick")),
        sub(item(nullptr, "mnuTimerActiveClick")),
        sub(item(nullptr, "mnuTimerWindowClick")),
        submenu("キャプチャ"),
        sub(item(nullptr, "mnuCapDeskTopClick")),
        sub(item(nullptr, "mnuCapActiveClick")),
        sub(item(nullptr, "mnuCapWindowClick")),
        sub(item(nullptr, "mnuCapRegionClick")),
        item("キャンセル", nullptr),
        item("常駐しないで終了する", "mnuFileExitClick"),
    };
}

std::vector<MenuRow> fileListMenu()
{
    // The view styles are radio items here too; the small icons take &S in this menu.
    return {
        item("現在のフォルダを連続格納先とする(&R)", "mnuFileAtdirSetClick"),
        item("ファイルの削除(&D)", "mnuFileDelClick"),
        item("ファイルリストを閉じる(&C)", "mnuHyojiFileLstClick"),
        {0, "大きいアイコン(&G)", "", 1, Kind::Radio, "mnuHyojiBIconClick"},
        {0, "小さいアイコン(&S)", "", 2, Kind::Radio, "mnuHyojiBIconClick"},
        {0, "一覧(&L)", "", 3, Kind::Radio, "mnuHyojiBIconClick"},
        {0, "詳細(&D)", "", 4, Kind::Radio, "mnuHyojiBIconClick"},
        item("最新情報に更新する(&R)", "mnuHyojiRefreshClick"),
    };
}

std::vector<MenuRow> lineStyleMenu()
{
    std::vector<MenuRow> rows;
    static const char* const Captions[] = {
        "実線  1Pixel", "実線  2Pixel", "実線  3Pixel", "実線  4Pixel", "実線  5Pixel",
        "点線  1Pixel", "点線  2Pixel", "点線  3Pixel", "点線  4Pixel", "点線  5Pixel"};
    for (int tag = 0; tag < 10; ++tag)
        rows.push_back({0, Captions[tag], "", tag, Kind::Radio, "mnuLinedot0Click"});
    return rows;
}

} // namespace vistrel::expected
