#include "gui/ProblemTexts.h"

#include "core/ParaFile.h"
#include "gui/Language.h"
#include "gui/Texts.h"

QString RunEndText(RunProblem problem) {
  return Tr(problem == RunProblem::None ? texts::kFinished : RunProblemMessage(problem));
}

QString ExportProblemText(const MeshExportResult& result, bool noGrid, const std::string& path) {
  if (noGrid) return QString::fromUtf8(RunProblemMessage(RunProblem::NoGrid));
  switch (result.problem) {
    case MeshExportProblem::WriteFailed:
      return QString::fromStdString(ParaFileErrorMessage(result.err, path, ParaFileOp::Save));
    case MeshExportProblem::SolidWithHoles:
      return QString::fromUtf8(texts::kSolidWithHoles);
    case MeshExportProblem::BaseOutOfRange:
      return QString::fromUtf8(texts::kBaseOutOfRange);
    case MeshExportProblem::NoSurface:
    case MeshExportProblem::None:
      break;
  }
  return QString::fromUtf8(texts::kNoMeshToExport);
}
