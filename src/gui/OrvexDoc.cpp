#include "gui/OrvexDoc.h"

#include <QFile>
#include <QFileInfo>

#include "core/ParaFile.h"
#include "core/ShareData.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/OrvexView.h"
#include "gui/Prompts.h"
#include "gui/RecentFileList.h"
#include "gui/Texts.h"

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

COrvexDoc::COrvexDoc(CMainFrame* frame, CRecentFileList* recent)
    : m_pFrame(frame), m_pRecent(recent) {
  OnNewDocument();
}

void COrvexDoc::OnNewDocument() {
  m_strPathName.clear();
  m_strTitle = QString::fromUtf8(texts::kUntitled);
  m_pFrame->SetCaption(m_strTitle);
  m_pFrame->View()->update();
}

void COrvexDoc::SetPathName(const QString& path) {
  m_strPathName = QFileInfo(path).absoluteFilePath();
  m_strTitle = QFileInfo(path).fileName();
  m_pFrame->SetCaption(m_strTitle);
  m_pRecent->Add(m_strPathName);
  m_pFrame->SetRecentFiles(m_pRecent->Files());
}

bool COrvexDoc::OnOpenDocument(const QString& path) {
  std::string error;
  if (!LoadParaFile(LocalPath(path), m_pFrame->m_para, &error)) {
    ShowMessage(m_pFrame, QString::fromStdString(error));
    return false;
  }
  // The view's next paint refreshes the bars and clears the picture.
  g_ShareData.m_nState.store(DS_LOADED);
  SetPathName(path);
  m_pFrame->View()->update();
  m_pFrame->UpdateCommandStates();
  return true;
}

bool COrvexDoc::OnSaveDocument(const QString& path) {
  std::string error;
  if (!SaveParaFile(LocalPath(path), m_pFrame->m_para, &error)) {
    ShowMessage(m_pFrame, QString::fromStdString(error));
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
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = Tr(texts::kSaveDialogTitle);
  request.filters = Tr(texts::kParaFilter) + QStringLiteral(";;") + Tr(texts::kAllFilesFilter);
  request.defaultSuffix = QString::fromLatin1(texts::kParaExtension);
  request.suggestion = m_strPathName.isEmpty()
                           ? m_strTitle + QLatin1Char('.') + request.defaultSuffix
                           : m_strPathName;
  const QString path = AskFileName(m_pFrame, request);
  return !path.isEmpty() && OnSaveDocument(path);
}
