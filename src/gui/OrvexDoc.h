// The document: the parameter file the frame's parameter set was last read
// from or written to. It holds no data of its own; it writes the frame's
// m_para and replaces it from a file, with the messages of every failure.
#pragma once

#include <QString>

class CMainFrame;
class CRecentFileList;

class COrvexDoc {
 public:
  COrvexDoc(CMainFrame* frame, CRecentFileList* recent);

  // Untitled again ("Orvexa"); the parameters stay as they are.
  void OnNewDocument();
  // Reads path into the frame's m_para (untouched on failure, with the
  // message shown) and marks the picture for clearing.
  bool OnOpenDocument(const QString& path);
  // Writes the frame's m_para to path; the old file survives any failure.
  bool OnSaveDocument(const QString& path);
  // Save: to the document's file, or as Save As when it has none.
  bool DoFileSave();
  // Save As: asks for a name, suggesting the title with ".ovx".
  bool DoSaveAs();

  QString GetTitle() const { return m_strTitle; }
  QString GetPathName() const { return m_strPathName; }

 private:
  void SetPathName(const QString& path);

  CMainFrame* m_pFrame;
  CRecentFileList* m_pRecent;
  QString m_strPathName;
  QString m_strTitle;
};
