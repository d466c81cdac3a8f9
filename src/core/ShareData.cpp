#include "core/ShareData.h"

CShareData g_ShareData;

const char* RunProblemMessage(RunProblem problem) {
  switch (problem) {
    case RunProblem::None:
      return "";
    case RunProblem::NoGrid:
      return "計算用の格子を用意できません";
    case RunProblem::TooManyContourLines:
      return "等高線が多すぎて描けません";
    case RunProblem::NothingToDraw:
      return "描画できる値がありません";
    case RunProblem::NoContext:
      return "OpenGL の描画環境がありません";
    case RunProblem::Failed:
      return "描画中にｴﾗｰが起きました";
  }
  return "";
}
