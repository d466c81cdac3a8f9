#include "gui/Commands.h"

#include <QtGlobal>
#include <cstdlib>

#include "gui/CommandIds.h"

namespace {

// Commands with no menu item keep their tip as text, which is what a toolbar
// shows when images are hidden.
const CommandInfo kCommands[] = {
    {ID_FILE_OPEN, QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀを読込む(&O)..."),
     QT_TRANSLATE_NOOP("Orvex", "保存たﾊﾟﾗﾒｰﾀを開く"), QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀを開く"),
     "Ctrl+O", ":/toolbar/open.xpm"},
    {ID_FILE_SAVE, QT_TRANSLATE_NOOP("Orvex", "保存"),
     QT_TRANSLATE_NOOP("Orvex", "作業中のﾊﾟﾗﾒｰﾀを保存"), QT_TRANSLATE_NOOP("Orvex", "保存"),
     "Ctrl+S", ":/toolbar/save.xpm"},
    {ID_FILE_SAVE_AS, QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀの保存(&A)..."),
     QT_TRANSLATE_NOOP("Orvex", "作業中のﾊﾟﾗﾒｰﾀを保存"), QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀを保存"),
     "", ""},
    {ID_SAVE_IMAGE, QT_TRANSLATE_NOOP("Orvex", "ｲﾒｰｼﾞの保存(&I)..."),
     QT_TRANSLATE_NOOP("Orvex", "画面ｲﾒｰｼﾞを保存する"), QT_TRANSLATE_NOOP("Orvex", "ｲﾒｰｼﾞを保存"),
     "", ""},
    {ID_EXPORT_MESH, QT_TRANSLATE_NOOP("Orvex", "メッシュのエクスポート(&E)..."),
     QT_TRANSLATE_NOOP("Orvex", "ﾒｯｼｭをSTL/OBJﾌｧｲﾙに書き出す"),
     QT_TRANSLATE_NOOP("Orvex", "ﾒｯｼｭのｴｸｽﾎﾟｰﾄ"), "", ""},
    {ID_EDIT_COPY, QT_TRANSLATE_NOOP("Orvex", "ｺﾋﾟｰ(&C)"),
     QT_TRANSLATE_NOOP("Orvex", "画面ｲﾒｰｼﾞをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰする"),
     QT_TRANSLATE_NOOP("Orvex", "ｺﾋﾟｰ"), "Ctrl+C", ""},
    {ID_APP_EXIT, QT_TRANSLATE_NOOP("Orvex", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"),
     QT_TRANSLATE_NOOP("Orvex", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"),
     QT_TRANSLATE_NOOP("Orvex", "終了"), "", ""},
    {ID_CALC_START, QT_TRANSLATE_NOOP("Orvex", "ｽﾀｰﾄ(&S)"),
     QT_TRANSLATE_NOOP("Orvex", "計算を開始する"), QT_TRANSLATE_NOOP("Orvex", "計算開始"), "", ""},
    {ID_CALC_STOP, QT_TRANSLATE_NOOP("Orvex", "ｽﾄｯﾌﾟ(&P)"),
     QT_TRANSLATE_NOOP("Orvex", "計算を停止する"), QT_TRANSLATE_NOOP("Orvex", "計算停止"), "", ""},
    {ID_PARAM_SET, QT_TRANSLATE_NOOP("Orvex", "ﾊﾟﾗﾒｰﾀ設定(&P)"),
     QT_TRANSLATE_NOOP("Orvex", "計算パラメータの設定"), QT_TRANSLATE_NOOP("Orvex", "パラメータ"),
     "", ""},
    {ID_VIEW_TOOLBAR, QT_TRANSLATE_NOOP("Orvex", "ﾂｰﾙﾊﾞｰ(&T)"), "", "", "", ""},
    {ID_VIEW_STATUS_BAR, QT_TRANSLATE_NOOP("Orvex", "ｽﾃｰﾀｽﾊﾞｰ(&S)"), "", "", "", ""},
    {ID_VIEW_PARAMBAR, QT_TRANSLATE_NOOP("Orvex", "ﾀﾞｲｱﾛｸﾞﾊﾞｰ(&D)"),
     QT_TRANSLATE_NOOP("Orvex", "ﾀﾞｲｱﾛｸﾞ ﾊﾞｰの 表示/非表示"),
     QT_TRANSLATE_NOOP("Orvex", "ﾀﾞｲｱﾛｸﾞﾊﾞｰ"), "", ""},
    {ID_HELP_FINDER, QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ(&H)"),
     QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟの目次"), QT_TRANSLATE_NOOP("Orvex", "目次"), "", ""},
    {ID_APP_ABOUT, QT_TRANSLATE_NOOP("Orvex", "ﾊﾞｰｼﾞｮﾝ情報(&A)..."),
     QT_TRANSLATE_NOOP("Orvex", "ﾊﾞｰｼﾞｮﾝ、著作権を表示"), QT_TRANSLATE_NOOP("Orvex", "ﾊﾞｰｼﾞｮﾝ情報"),
     "", ":/toolbar/about.xpm"},
    {ID_TOOL_START, QT_TRANSLATE_NOOP("Orvex", "計算開始"),
     QT_TRANSLATE_NOOP("Orvex", "計算を開始する"), QT_TRANSLATE_NOOP("Orvex", "計算開始"), "",
     ":/toolbar/start.xpm"},
    {ID_TOOL_STOP, QT_TRANSLATE_NOOP("Orvex", "計算停止"),
     QT_TRANSLATE_NOOP("Orvex", "計算を停止する"), QT_TRANSLATE_NOOP("Orvex", "計算停止"), "",
     ":/toolbar/stop.xpm"},
    {ID_DRAW_MESH, QT_TRANSLATE_NOOP("Orvex", "3Dﾒｯｼｭ"), QT_TRANSLATE_NOOP("Orvex", "3Dﾒｯｼｭの描画"),
     QT_TRANSLATE_NOOP("Orvex", "3Dﾒｯｼｭ"), "", ":/toolbar/mesh.xpm"},
    {ID_DRAW_CONTOUR, QT_TRANSLATE_NOOP("Orvex", "3D等高線"),
     QT_TRANSLATE_NOOP("Orvex", "3D等高線の描画"), QT_TRANSLATE_NOOP("Orvex", "3D等高線"), "",
     ":/toolbar/contour.xpm"},
    {ID_VIEW_FIT, QT_TRANSLATE_NOOP("Orvex", "自動スケール"),
     QT_TRANSLATE_NOOP("Orvex", "Z軸係数の代わりに値の分布から高さを決める"),
     QT_TRANSLATE_NOOP("Orvex", "自動スケール"), "", ":/toolbar/fit.xpm"},
    {ID_VIEW_AXES, QT_TRANSLATE_NOOP("Orvex", "軸と目盛(&X)"),
     QT_TRANSLATE_NOOP("Orvex", "図を箱で囲み、目盛と数値の付いた軸を表示する"),
     QT_TRANSLATE_NOOP("Orvex", "軸と目盛"), "", ":/toolbar/axes.xpm"},
    {ID_VIEW_COLOUR, QT_TRANSLATE_NOOP("Orvex", "高さで色分け(&C)"),
     QT_TRANSLATE_NOOP("Orvex", "面を高さに応じた色で塗り、色の目盛を表示する"),
     QT_TRANSLATE_NOOP("Orvex", "高さで色分け"), "", ":/toolbar/colour.xpm"},
    {ID_VIEW_EXTREMES, QT_TRANSLATE_NOOP("Orvex", "最大・最小(&M)"),
     QT_TRANSLATE_NOOP("Orvex", "最大値と最小値の点に印と値を表示する"),
     QT_TRANSLATE_NOOP("Orvex", "最大・最小"), "", ":/toolbar/extremes.xpm"},
    {ID_VIEW_FOLLOW_TYPING, QT_TRANSLATE_NOOP("Orvex", "入力と同時に描画(&L)"),
     QT_TRANSLATE_NOOP("Orvex", "計算中に、入力中の計算式を図に反映する"),
     QT_TRANSLATE_NOOP("Orvex", "入力と同時に描画"), "", ""},
    {ID_COLOUR_MAP_FIRST, "viridis", QT_TRANSLATE_NOOP("Orvex", "色の並びを viridis にする"),
     "viridis", "", ""},
    {ID_COLOUR_MAP_FIRST + 1, "cividis", QT_TRANSLATE_NOOP("Orvex", "色の並びを cividis にする"),
     "cividis", "", ""},
    {ID_COLOUR_MAP_FIRST + 2, "turbo", QT_TRANSLATE_NOOP("Orvex", "色の並びを turbo にする"),
     "turbo", "", ""},
    {ID_COLOUR_MAP_FIRST + 3, QT_TRANSLATE_NOOP("Orvex", "等高線の色"),
     QT_TRANSLATE_NOOP("Orvex", "色の並びを 3D等高線 の青・緑・赤にする"),
     QT_TRANSLATE_NOOP("Orvex", "等高線の色"), "", ""},
    {IDC_FORMULA, QT_TRANSLATE_NOOP("Orvex", "計算式"), QT_TRANSLATE_NOOP("Orvex", "計算式の入力"),
     QT_TRANSLATE_NOOP("Orvex", "計算式"), "", ""},
    {ID_ROTATE_LEFT, QT_TRANSLATE_NOOP("Orvex", "左回転"),
     QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙを左へ回転"), QT_TRANSLATE_NOOP("Orvex", "左回転"), "",
     ":/toolbar/rotate_left.xpm"},
    {ID_ROTATE_UP, QT_TRANSLATE_NOOP("Orvex", "上回転"),
     QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙを上へ回転"), QT_TRANSLATE_NOOP("Orvex", "上回転"), "",
     ":/toolbar/rotate_up.xpm"},
    {ID_ROTATE_DOWN, QT_TRANSLATE_NOOP("Orvex", "下回転"),
     QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙを下へ回転"), QT_TRANSLATE_NOOP("Orvex", "下回転"), "",
     ":/toolbar/rotate_down.xpm"},
    {ID_ROTATE_RIGHT, QT_TRANSLATE_NOOP("Orvex", "右回転"),
     QT_TRANSLATE_NOOP("Orvex", "ﾓﾃﾞﾙを右へ回転"), QT_TRANSLATE_NOOP("Orvex", "右回転"), "",
     ":/toolbar/rotate_right.xpm"},
    {ID_FILE_NEW, QT_TRANSLATE_NOOP("Orvex", "新規ﾌｧｲﾙ"),
     QT_TRANSLATE_NOOP("Orvex", "新規にﾌｧｲﾙを作成"), QT_TRANSLATE_NOOP("Orvex", "新規ﾌｧｲﾙ"),
     "Ctrl+N", ""},
    {ID_HELP, QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ"),
     QT_TRANSLATE_NOOP("Orvex", "現在のﾀｽｸまたはｺﾏﾝﾄﾞのﾍﾙﾌﾟを表示"),
     QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ"), "F1", ""},
    {ID_CONTEXT_HELP, QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ"),
     QT_TRANSLATE_NOOP("Orvex", "ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示"),
     QT_TRANSLATE_NOOP("Orvex", "ﾍﾙﾌﾟ"), "Shift+F1", ""},
};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo& FindCommand(int id) {
  for (const CommandInfo& command : kCommands) {
    if (command.id == id) return command;
  }
  std::abort();
}
