// The mesh export command: asks for a file, then samples the frame's
// parameter set and writes the mesh on a worker thread of its own, so the
// window stays live, also while a drawing run is on. The result comes back
// to the window's thread as a queued call.
#pragma once

#include <QObject>
#include <QString>
#include <thread>

#include "core/MeshExport.h"

class CMainFrame;

class CMeshExportCommand : public QObject {
  Q_OBJECT

 public:
  explicit CMeshExportCommand(CMainFrame* frame);
  // Waits for an export under way: its file is finished, not left behind.
  ~CMeshExportCommand() override;

  void Run();
  // From the file dialog's answer to the result's notice.
  bool Busy() const { return m_worker.joinable(); }

 signals:
  // The result has been shown.
  void finished();

 private:
  // Window thread, queued by the worker as its last act.
  void OnDone(const MeshExportResult& result, bool noGrid, const QString& path);

  CMainFrame* m_pFrame;
  std::thread m_worker;
};
