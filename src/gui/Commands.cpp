#include "gui/Commands.h"

#include <cstdlib>

#include "gui/CommandIds.h"

namespace {

// Commands with no menu item keep their tip as text, which is what a toolbar
// shows when images are hidden.
const CommandInfo kCommands[] = {
    {ID_FILE_OPEN, "ﾊﾟﾗﾒｰﾀを読込む(&O)...", "保存たﾊﾟﾗﾒｰﾀを開く", "ﾊﾟﾗﾒｰﾀを開く", "Ctrl+O",
     ":/toolbar/open.xpm"},
    {ID_FILE_SAVE, "保存", "作業中のﾊﾟﾗﾒｰﾀを保存", "保存", "Ctrl+S", ":/toolbar/save.xpm"},
    {ID_FILE_SAVE_AS, "ﾊﾟﾗﾒｰﾀの保存(&A)...", "作業中のﾊﾟﾗﾒｰﾀを保存", "ﾊﾟﾗﾒｰﾀを保存", "", ""},
    {ID_SAVE_IMAGE, "ｲﾒｰｼﾞの保存(&I)...", "画面ｲﾒｰｼﾞを保存する", "ｲﾒｰｼﾞを保存", "", ""},
    {ID_EXPORT_MESH, "メッシュのエクスポート(&E)...", "ﾒｯｼｭをSTL/OBJﾌｧｲﾙに書き出す",
     "ﾒｯｼｭのｴｸｽﾎﾟｰﾄ", "", ""},
    {ID_EDIT_COPY, "ｺﾋﾟｰ(&C)", "画面ｲﾒｰｼﾞをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰする", "ｺﾋﾟｰ", "Ctrl+C", ""},
    {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", "終了", "", ""},
    {ID_CALC_START, "ｽﾀｰﾄ(&S)", "計算を開始する", "計算開始", "", ""},
    {ID_CALC_STOP, "ｽﾄｯﾌﾟ(&P)", "計算を停止する", "計算停止", "", ""},
    {ID_PARAM_SET, "ﾊﾟﾗﾒｰﾀ設定(&P)", "計算パラメータの設定", "パラメータ", "", ""},
    {ID_VIEW_TOOLBAR, "ﾂｰﾙﾊﾞｰ(&T)", "", "", "", ""},
    {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽﾊﾞｰ(&S)", "", "", "", ""},
    {ID_VIEW_PARAMBAR, "ﾀﾞｲｱﾛｸﾞﾊﾞｰ(&D)", "ﾀﾞｲｱﾛｸﾞ ﾊﾞｰの 表示/非表示", "ﾀﾞｲｱﾛｸﾞﾊﾞｰ", "", ""},
    {ID_HELP_FINDER, "ﾍﾙﾌﾟ(&H)", "ﾍﾙﾌﾟの目次", "目次", "", ""},
    {ID_APP_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", "ﾊﾞｰｼﾞｮﾝ、著作権を表示", "ﾊﾞｰｼﾞｮﾝ情報", "",
     ":/toolbar/about.xpm"},
    {ID_TOOL_START, "計算開始", "計算を開始する", "計算開始", "", ":/toolbar/start.xpm"},
    {ID_TOOL_STOP, "計算停止", "計算を停止する", "計算停止", "", ":/toolbar/stop.xpm"},
    {ID_DRAW_MESH, "3Dﾒｯｼｭ", "3Dﾒｯｼｭの描画", "3Dﾒｯｼｭ", "", ":/toolbar/mesh.xpm"},
    {ID_DRAW_CONTOUR, "3D等高線", "3D等高線の描画", "3D等高線", "", ":/toolbar/contour.xpm"},
    {ID_VIEW_FIT, "自動スケール", "Z軸係数の代わりに値の分布から高さを決める", "自動スケール", "",
     ":/toolbar/fit.xpm"},
    {ID_VIEW_AXES, "軸と目盛(&X)", "図を箱で囲み、目盛と数値の付いた軸を表示する", "軸と目盛", "",
     ":/toolbar/axes.xpm"},
    {ID_VIEW_COLOUR, "高さで色分け(&C)", "面を高さに応じた色で塗り、色の目盛を表示する",
     "高さで色分け", "", ":/toolbar/colour.xpm"},
    {ID_VIEW_EXTREMES, "最大・最小(&M)", "最大値と最小値の点に印と値を表示する", "最大・最小", "",
     ":/toolbar/extremes.xpm"},
    {ID_VIEW_FOLLOW_TYPING, "入力と同時に描画(&L)", "計算中に、入力中の計算式を図に反映する",
     "入力と同時に描画", "", ""},
    {ID_COLOUR_MAP_FIRST, "viridis", "色の並びを viridis にする", "viridis", "", ""},
    {ID_COLOUR_MAP_FIRST + 1, "cividis", "色の並びを cividis にする", "cividis", "", ""},
    {ID_COLOUR_MAP_FIRST + 2, "turbo", "色の並びを turbo にする", "turbo", "", ""},
    {ID_COLOUR_MAP_FIRST + 3, "等高線の色", "色の並びを 3D等高線 の青・緑・赤にする", "等高線の色",
     "", ""},
    {IDC_FORMULA, "計算式", "計算式の入力", "計算式", "", ""},
    {ID_ROTATE_LEFT, "左回転", "ﾓﾃﾞﾙを左へ回転", "左回転", "", ":/toolbar/rotate_left.xpm"},
    {ID_ROTATE_UP, "上回転", "ﾓﾃﾞﾙを上へ回転", "上回転", "", ":/toolbar/rotate_up.xpm"},
    {ID_ROTATE_DOWN, "下回転", "ﾓﾃﾞﾙを下へ回転", "下回転", "", ":/toolbar/rotate_down.xpm"},
    {ID_ROTATE_RIGHT, "右回転", "ﾓﾃﾞﾙを右へ回転", "右回転", "", ":/toolbar/rotate_right.xpm"},
    {ID_FILE_NEW, "新規ﾌｧｲﾙ", "新規にﾌｧｲﾙを作成", "新規ﾌｧｲﾙ", "Ctrl+N", ""},
    {ID_HELP, "ﾍﾙﾌﾟ", "現在のﾀｽｸまたはｺﾏﾝﾄﾞのﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ", "F1", ""},
    {ID_CONTEXT_HELP, "ﾍﾙﾌﾟ", "ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ", "Shift+F1",
     ""},
};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo& FindCommand(int id) {
  for (const CommandInfo& command : kCommands) {
    if (command.id == id) return command;
  }
  std::abort();
}
