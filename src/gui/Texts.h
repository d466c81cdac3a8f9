// The program's own texts, byte for byte as the user sees them in Japanese.
// Kept in one place so that a translation has one list to cover; Tr() finds
// the English of each in res/i18n/orvex_en.ts.
#pragma once

#include <QtGlobal>

namespace texts {

// The document string and the program's title.
inline constexpr char kWindowTitle[] =
    QT_TRANSLATE_NOOP("Orvex", "f(x,y)関数の 3Dﾒｯｼｭ/等高線 表示");
inline constexpr char kUntitled[] = "Orvexa";
inline constexpr char kCaptionSeparator[] = " - ";
inline constexpr char kAppTitle[] = "Orvex";
inline constexpr char kParaFilter[] = QT_TRANSLATE_NOOP("Orvex", "3Dﾒｯｼｭﾌｧｲﾙ(*.ovx)");
inline constexpr char kAllFilesFilter[] = QT_TRANSLATE_NOOP("Orvex", "すべてのﾌｧｲﾙ (*.*)");
inline constexpr char kParaExtension[] = "ovx";
inline constexpr char kBitmapFilter[] = QT_TRANSLATE_NOOP("Orvex", "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)");
inline constexpr char kBitmapExtension[] = "bmp";
inline constexpr char kStlFilter[] = QT_TRANSLATE_NOOP("Orvex", "STL ﾒｯｼｭ (*.stl)");
inline constexpr char kObjFilter[] = QT_TRANSLATE_NOOP("Orvex", "OBJ ﾒｯｼｭ (*.obj)");
// The surface closed by walls and a base, for 3-D printing.
inline constexpr char kStlSolidFilter[] = QT_TRANSLATE_NOOP("Orvex", "3Dﾌﾟﾘﾝﾄ用 STL ｿﾘｯﾄﾞ (*.stl)");
inline constexpr char kStlExtension[] = "stl";
inline constexpr char kPngFilter[] = QT_TRANSLATE_NOOP("Orvex", "PNG ｲﾒｰｼﾞ (*.png)");
inline constexpr char kPngExtension[] = "png";
inline constexpr char kOpenDialogTitle[] = QT_TRANSLATE_NOOP("Orvex", "開く");
inline constexpr char kSaveDialogTitle[] = QT_TRANSLATE_NOOP("Orvex", "名前を付けて保存");

// Status bar.
inline constexpr char kReady[] = QT_TRANSLATE_NOOP("Orvex", "ﾚﾃﾞｲ");
inline constexpr char kComputing[] = QT_TRANSLATE_NOOP("Orvex", "計算してます．．．");
inline constexpr char kFinished[] = QT_TRANSLATE_NOOP("Orvex", "計算は終わりました。");
inline constexpr char kClockWidth[] = "00:00:00";
inline constexpr char kCapsLock[] = "CAP";
inline constexpr char kExportingMesh[] = QT_TRANSLATE_NOOP("Orvex", "ﾒｯｼｭを書き出してます．．．");
inline constexpr char kMeshExported[] = QT_TRANSLATE_NOOP("Orvex", "ﾒｯｼｭを書き出しました。");
// Pane 0 while a formula being typed is refused: the check's message, then
// where the fault is.
inline constexpr char kFaultPosition[] = QT_TRANSLATE_NOOP("Orvex", " (%1 文字目)");
// Pane 0 while the mouse points at the picture.
inline constexpr char kReadout[] = "x=%1  y=%2  f(x,y)=%3";
inline constexpr char kReadoutLevel[] = QT_TRANSLATE_NOOP("Orvex", "  等高線=%1");
// The fit pane while a picture with fitted heights is shown: the height per
// unit of f, and the fitted range.
inline constexpr char kFitStatus[] = QT_TRANSLATE_NOOP("Orvex", "自動ｽｹｰﾙ ×%1  (%2 〜 %3)");

// About box.
inline constexpr char kAboutTitle[] = QT_TRANSLATE_NOOP("Orvex", "ﾊﾞｰｼﾞｮﾝ情報(Orvex)");
inline constexpr char kAboutVersion[] = "Orvex Version 2.28";
inline constexpr char kOk[] = "OK";
inline constexpr char kHelpTitle[] = QT_TRANSLATE_NOOP("Orvex", "Orvex ﾍﾙﾌﾟ");

// Messages of the window program that the parameter-file and formula code
// does not already give.
inline constexpr char kCannotStartThread[] =
    QT_TRANSLATE_NOOP("Orvex", "描画ｽﾚｯﾄﾞを開始できませんでした。");
inline constexpr char kImageSaveFailed[] =
    QT_TRANSLATE_NOOP("Orvex", "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。");
inline constexpr char kNoMeshToExport[] =
    QT_TRANSLATE_NOOP("Orvex", "関数に有限な値がなく、書き出すﾒｯｼｭがありません。");
inline constexpr char kSolidWithHoles[] =
    QT_TRANSLATE_NOOP("Orvex", "関数の値が有限でない点があるため、閉じた立体にできません。");
inline constexpr char kBaseOutOfRange[] =
    QT_TRANSLATE_NOOP("Orvex", "値が大きすぎて、立体の底を作れません。");

// Menus.
inline constexpr char kMenuFile[] = QT_TRANSLATE_NOOP("Orvex", "ﾌｧｲﾙ(&F)");
inline constexpr char kMenuEdit[] = QT_TRANSLATE_NOOP("Orvex", "編集(&E)");
inline constexpr char kMenuStart[] = QT_TRANSLATE_NOOP("Orvex", "ｽﾀｰﾄ/設定(&S)");
inline constexpr char kMenuView[] = QT_TRANSLATE_NOOP("Orvex", "表示(&D)");
inline constexpr char kMenuHelp[] = QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ(&H)");
inline constexpr char kRecentPlaceholder[] = QT_TRANSLATE_NOOP("Orvex", "最新のﾌｧｲﾙ");
inline constexpr char kMenuColourMap[] = QT_TRANSLATE_NOOP("Orvex", "色の並び(&O)");
inline constexpr char kRecentPrompt[] = QT_TRANSLATE_NOOP("Orvex", "指定のﾌｧｲﾙを開く");

// Panel labels.
inline constexpr char kLabelUpDown[] = QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙ上下");
inline constexpr char kLabelLeftRight[] = QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙ左右");
inline constexpr char kLabelRange[] = QT_TRANSLATE_NOOP("Orvex", "計算範囲±");
inline constexpr char kLabelZCoef[] = QT_TRANSLATE_NOOP("Orvex", "Z軸係数");
inline constexpr char kLabelMesh[] = QT_TRANSLATE_NOOP("Orvex", "ﾒｯｼｭ数");
inline constexpr char kLabelContourStep[] = QT_TRANSLATE_NOOP("Orvex", "等高線間隔");
inline constexpr char kLabelCentreX[] = QT_TRANSLATE_NOOP("Orvex", "中心 x");
inline constexpr char kLabelCentreY[] = QT_TRANSLATE_NOOP("Orvex", "中心 y");

}  // namespace texts
