// The document: the parameter file the model's set was last read from or
// written to. It holds no data of its own; it writes the model's set and
// replaces it from a file, with the messages of every failure, and tells of
// its title and of the recent-file list by signals.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CParamModel;
class CRecentFileList;
class QWidget;

class COrvexDoc : public QObject {
  Q_OBJECT

 public:
  // window: the parent of the file dialogs and the messages.
  COrvexDoc(CParamModel* model, CRecentFileList* recent, QWidget* window);

  // Untitled again ("Orvexa"); the parameters stay as they are.
  void OnNewDocument();
  // Reads path into the model (untouched on failure, with the message shown).
  bool OnOpenDocument(const QString& path);
  // Writes the model's set to path; the old file survives any failure.
  bool OnSaveDocument(const QString& path);
  // Save: to the document's file, or as Save As when it has none.
  bool DoFileSave();
  // Save As: asks for a name, suggesting the title with ".ovx".
  bool DoSaveAs();

 signals:
  void titleChanged(const QString& title);
  void recentFilesChanged(const QStringList& files);

 private:
  void SetPathName(const QString& path);

  CParamModel* m_pModel;
  CRecentFileList* m_pRecent;
  QWidget* m_pWindow;
  QString m_strPathName;
  QString m_strTitle;
};
