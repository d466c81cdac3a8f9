// The program's own texts, byte for byte as the user sees them in Japanese.
// Kept in one place so that a translation has one list to cover; Tr() finds
// the English of each in res/i18n/orvex_en.ts.
#pragma once

namespace texts {

// The document string and the program's title.
inline constexpr char kWindowTitle[] = "f(x,y)関数の 3Dﾒｯｼｭ/等高線 表示";
inline constexpr char kUntitled[] = "Orvexa";
inline constexpr char kCaptionSeparator[] = " - ";
inline constexpr char kAppTitle[] = "Orvex";
inline constexpr char kParaFilter[] = "3Dﾒｯｼｭﾌｧｲﾙ(*.ovx)";
inline constexpr char kAllFilesFilter[] = "すべてのﾌｧｲﾙ (*.*)";
inline constexpr char kParaExtension[] = "ovx";
inline constexpr char kBitmapFilter[] = "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)";
inline constexpr char kBitmapExtension[] = "bmp";
inline constexpr char kStlFilter[] = "STL ﾒｯｼｭ (*.stl)";
inline constexpr char kObjFilter[] = "OBJ ﾒｯｼｭ (*.obj)";
// The surface closed by walls and a base, for 3-D printing.
inline constexpr char kStlSolidFilter[] = "3Dﾌﾟﾘﾝﾄ用 STL ｿﾘｯﾄﾞ (*.stl)";
inline constexpr char kStlExtension[] = "stl";
inline constexpr char kPngFilter[] = "PNG ｲﾒｰｼﾞ (*.png)";
inline constexpr char kPngExtension[] = "png";
inline constexpr char kOpenDialogTitle[] = "開く";
inline constexpr char kSaveDialogTitle[] = "名前を付けて保存";

// Status bar.
inline constexpr char kReady[] = "ﾚﾃﾞｲ";
inline constexpr char kComputing[] = "計算してます．．．";
inline constexpr char kFinished[] = "計算は終わりました。";
inline constexpr char kClockWidth[] = "00:00:00";
inline constexpr char kCapsLock[] = "CAP";
inline constexpr char kExportingMesh[] = "ﾒｯｼｭを書き出してます．．．";
inline constexpr char kMeshExported[] = "ﾒｯｼｭを書き出しました。";
// Pane 0 while a formula being typed is refused: the check's message, then
// where the fault is.
inline constexpr char kFaultPosition[] = " (%1 文字目)";
// Pane 0 while the mouse points at the picture.
inline constexpr char kReadout[] = "x=%1  y=%2  f(x,y)=%3";
inline constexpr char kReadoutLevel[] = "  等高線=%1";
// The fit pane while a picture with fitted heights is shown: the height per
// unit of f, and the fitted range.
inline constexpr char kFitStatus[] = "自動ｽｹｰﾙ ×%1  (%2 〜 %3)";

// About box.
inline constexpr char kAboutTitle[] = "ﾊﾞｰｼﾞｮﾝ情報(Orvex)";
inline constexpr char kAboutVersion[] = "Orvex Version 2.28";
inline constexpr char kOk[] = "OK";
inline constexpr char kHelpTitle[] = "Orvex ﾍﾙﾌﾟ";

// Messages of the window program that the parameter-file and formula code
// does not already give.
inline constexpr char kCannotStartThread[] = "描画ｽﾚｯﾄﾞを開始できませんでした。";
inline constexpr char kImageSaveFailed[] = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
inline constexpr char kNoMeshToExport[] = "関数に有限な値がなく、書き出すﾒｯｼｭがありません。";
inline constexpr char kSolidWithHoles[] =
    "関数の値が有限でない点があるため、閉じた立体にできません。";
inline constexpr char kBaseOutOfRange[] = "値が大きすぎて、立体の底を作れません。";

// Menus.
inline constexpr char kMenuFile[] = "ﾌｧｲﾙ(&F)";
inline constexpr char kMenuEdit[] = "編集(&E)";
inline constexpr char kMenuStart[] = "ｽﾀｰﾄ/設定(&S)";
inline constexpr char kMenuView[] = "表示(&D)";
inline constexpr char kMenuHelp[] = "ﾍﾙﾌﾟ(&H)";
inline constexpr char kRecentPlaceholder[] = "最新のﾌｧｲﾙ";
inline constexpr char kMenuColourMap[] = "色の並び(&O)";
inline constexpr char kRecentPrompt[] = "指定のﾌｧｲﾙを開く";

// Panel labels.
inline constexpr char kLabelUpDown[] = "ﾓﾃﾞﾙ上下";
inline constexpr char kLabelLeftRight[] = "ﾓﾃﾞﾙ左右";
inline constexpr char kLabelRange[] = "計算範囲±";
inline constexpr char kLabelZCoef[] = "Z軸係数";
inline constexpr char kLabelMesh[] = "ﾒｯｼｭ数";
inline constexpr char kLabelContourStep[] = "等高線間隔";
inline constexpr char kLabelCentreX[] = "中心 x";
inline constexpr char kLabelCentreY[] = "中心 y";

}  // namespace texts
