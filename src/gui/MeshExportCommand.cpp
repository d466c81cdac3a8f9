#include "gui/MeshExportCommand.h"

#include <QFile>
#include <new>
#include <vector>

#include "core/Formula.h"
#include "core/Grid.h"
#include "core/ParaFile.h"
#include "core/ShareData.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

CMeshExportCommand::CMeshExportCommand(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {}

CMeshExportCommand::~CMeshExportCommand() {
  if (m_worker.joinable()) m_worker.join();
}

void CMeshExportCommand::Run() {
  if (Busy()) return;
  m_pFrame->CommitTyping();
  const CParaData para = m_pFrame->m_para;
  // The refusals Start gives, before the user picks a file for nothing.
  if (const char* refusal = RunRefusalMessage(para)) {
    ShowMessage(m_pFrame, QString::fromUtf8(refusal));
    return;
  }
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = Tr(texts::kSaveDialogTitle);
  request.filters = Tr(texts::kStlFilter) + QStringLiteral(";;") + Tr(texts::kObjFilter) +
                    QStringLiteral(";;") + Tr(texts::kStlSolidFilter);
  request.defaultSuffix = QString::fromLatin1(texts::kStlExtension);
  QString chosenFilter;
  request.chosenFilter = &chosenFilter;
  const QString path = AskFileName(m_pFrame, request);
  if (path.isEmpty()) return;

  MeshExportOptions options;
  options.closedSolid = chosenFilter == Tr(texts::kStlSolidFilter);
  // A name ending otherwise gets the default filter's kind.
  if (path.endsWith(QStringLiteral(".obj"), Qt::CaseInsensitive)) options.format = MeshFormat::Obj;
  CFormula formula;
  formula.Tokenize(para.m_strFormula);
  formula.MakePostfix();
  const std::string localPath = QFile::encodeName(path).toStdString();
  const bool fit = m_pFrame->m_bFit;
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
  m_pFrame->SetMessageText(Tr(texts::kExportingMesh));
  m_pFrame->UpdateCommandStates();
}

void CMeshExportCommand::OnDone(const MeshExportResult& result, bool noGrid, const QString& path) {
  // The worker's last act queued this call: the join only waits for its return.
  m_worker.join();
  m_pFrame->UpdateCommandStates();
  if (!noGrid && result.problem == MeshExportProblem::None) {
    m_pFrame->SetMessageText(Tr(texts::kMeshExported));
    emit finished();
    return;
  }
  m_pFrame->SetMessageText(Tr(m_pFrame->Running() ? texts::kComputing : texts::kReady));
  QString message;
  if (noGrid) {
    message = QString::fromUtf8(RunProblemMessage(RunProblem::NoGrid));
  } else if (result.problem == MeshExportProblem::WriteFailed) {
    message = QString::fromStdString(
        ParaFileErrorMessage(result.err, QFile::encodeName(path).toStdString(), ParaFileOp::Save));
  } else if (result.problem == MeshExportProblem::SolidWithHoles) {
    message = QString::fromUtf8(texts::kSolidWithHoles);
  } else if (result.problem == MeshExportProblem::BaseOutOfRange) {
    message = QString::fromUtf8(texts::kBaseOutOfRange);
  } else {
    message = QString::fromUtf8(texts::kNoMeshToExport);
  }
  ShowMessage(m_pFrame, message);
  emit finished();
}
