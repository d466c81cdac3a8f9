#include "gui/MeshExportCommand.h"

#include <QFile>
#include <QWidget>
#include <new>
#include <vector>

#include "core/Formula.h"
#include "core/Grid.h"
#include "gui/Language.h"
#include "gui/ParamModel.h"
#include "gui/ProblemTexts.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

CMeshExportCommand::CMeshExportCommand(CParamModel* model, QWidget* window)
    : QObject(window), m_pModel(model), m_pWindow(window) {}

CMeshExportCommand::~CMeshExportCommand() {
  if (m_worker.joinable()) m_worker.join();
}

void CMeshExportCommand::Run() {
  if (Busy()) return;
  const CParaData para = m_pModel->Params();
  // The refusals Start gives, before the user picks a file for nothing.
  if (const char* refusal = RunRefusalMessage(para)) {
    ShowMessage(m_pWindow, QString::fromUtf8(refusal));
    return;
  }
  QString chosenFilter;
  const QString path = AskFileName(m_pWindow, MeshFileRequest(&chosenFilter));
  if (path.isEmpty()) return;

  MeshExportOptions options;
  options.closedSolid = chosenFilter == Tr(texts::kStlSolidFilter);
  // A name ending otherwise gets the default filter's kind.
  if (path.endsWith(QStringLiteral(".obj"), Qt::CaseInsensitive)) options.format = MeshFormat::Obj;
  CFormula formula = CompileFormula(para);
  const std::string localPath = QFile::encodeName(path).toStdString();
  const bool fit = m_pModel->Fit();
  m_worker = std::thread([this, para, formula = std::move(formula), localPath, options, path, fit] {
    MeshExportResult result;
    bool noGrid = !IsValidMesh(para.m_nMesh);
    if (!noGrid) {
      try {
        result = ExportSurface(localPath, MakeGridSpec(para), formula, fit, options);
      } catch (const std::bad_alloc&) {
        noGrid = true;
      }
    }
    // The object outlives this call: its destructor joins the thread.
    QMetaObject::invokeMethod(
        this, [this, result, noGrid, path] { OnDone(result, noGrid, path); }, Qt::QueuedConnection);
  });
  emit started();
}

void CMeshExportCommand::OnDone(const MeshExportResult& result, bool noGrid, const QString& path) {
  // The worker's last act queued this call: the join only waits for its return.
  m_worker.join();
  const bool ok = !noGrid && result.problem == MeshExportProblem::None;
  if (!ok) {
    ShowMessage(m_pWindow,
                ExportProblemText(result, noGrid, QFile::encodeName(path).toStdString()));
  }
  emit finished(ok);
}
