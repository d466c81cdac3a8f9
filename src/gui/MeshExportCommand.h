// The mesh export command: asks for a file, then samples the model's
// parameter set and writes the mesh on a worker thread of its own, so the
// window stays live, also while a drawing run is on. The result comes back
// to the window's thread as a queued call.
#pragma once

#include <QObject>
#include <QString>
#include <thread>

#include "core/MeshExport.h"

class CParamModel;
class QWidget;

class CMeshExportCommand : public QObject {
  Q_OBJECT

 public:
  // window: the parent of the file dialog and the messages.
  CMeshExportCommand(CParamModel* model, QWidget* window);
  // Waits for an export under way: its file is finished, not left behind.
  ~CMeshExportCommand() override;

  void Run();
  // From the file dialog's answer to the result's notice.
  bool Busy() const { return m_worker.joinable(); }

 signals:
  // The worker has started writing.
  void started();
  // The result has been shown; ok when the file was written.
  void finished(bool ok);

 private:
  // Window thread, queued by the worker as its last act.
  void OnDone(const MeshExportResult& result, bool noGrid, const QString& path);

  CParamModel* m_pModel;
  QWidget* m_pWindow;
  std::thread m_worker;
};
