#include "gui/OrvexDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "core/ParaFile.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/RecentFileList.h"
#include "gui/Texts.h"

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

COrvexDoc::COrvexDoc(CParamModel* model, CRecentFileList* recent, QWidget* window)
    : QObject(window), m_pModel(model), m_pRecent(recent), m_pWindow(window) {
  m_strTitle = QString::fromUtf8(texts::kUntitled);
}

void COrvexDoc::OnNewDocument() {
  m_strPathName.clear();
  m_strTitle = QString::fromUtf8(texts::kUntitled);
  emit titleChanged(m_strTitle);
}

void COrvexDoc::SetPathName(const QString& path) {
  m_strPathName = QFileInfo(path).absoluteFilePath();
  m_strTitle = QFileInfo(path).fileName();
  emit titleChanged(m_strTitle);
  m_pRecent->Add(m_strPathName);
  emit recentFilesChanged(m_pRecent->Files());
}

bool COrvexDoc::OnOpenDocument(const QString& path) {
  // Read into a copy: a file that fails leaves the model as it was.
  CParaData para = m_pModel->Params();
  std::string error;
  std::string warning;
  if (!LoadParaFile(LocalPath(path), para, &error, &warning)) {
    ShowMessage(m_pWindow, QString::fromStdString(error));
    return false;
  }
  m_pModel->Replace(para);
  SetPathName(path);
  // The object loaded; the parameters of a damaged or later block did not.
  if (!warning.empty()) ShowMessage(m_pWindow, QString::fromStdString(warning));
  return true;
}

bool COrvexDoc::OnSaveDocument(const QString& path) {
  std::string error;
  if (!SaveParaFile(LocalPath(path), m_pModel->Params(), &error)) {
    ShowMessage(m_pWindow, QString::fromStdString(error));
    return false;
  }
  SetPathName(path);
  return true;
}

bool COrvexDoc::DoFileSave() {
  if (m_strPathName.isEmpty()) return DoSaveAs();
  return OnSaveDocument(m_strPathName);
}

bool COrvexDoc::DoSaveAs() {
  FileRequest request = ParameterFileRequest(FileRequest::Save);
  request.suggestion = m_strPathName.isEmpty()
                           ? m_strTitle + QLatin1Char('.') + request.defaultSuffix
                           : m_strPathName;
  const QString path = AskFileName(m_pWindow, request);
  return !path.isEmpty() && OnSaveDocument(path);
}
