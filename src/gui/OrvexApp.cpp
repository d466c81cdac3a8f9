#include "gui/OrvexApp.h"

#include <QAction>
#include <cstdio>

#include "gui/AboutDialog.h"
#include "gui/AppSettings.h"
#include "gui/CommandIds.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/OrvexDoc.h"
#include "gui/OrvexView.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/RecentFileList.h"
#include "gui/Texts.h"

const char* const kOrvexUsage =
    "usage: orvex [--start] [--lang ja|en] [FILE.ovx]\n"
    "  FILE.ovx  open this parameter file\n"
    "  --start   start the computation once the window is shown\n"
    "  --lang    the window's language: ja (Japanese) or en (English); without it,\n"
    "            Language= in the [Settings] section of ~/.config/orvex/orvex.ini,\n"
    "            else Japanese\n";

COrvexApp::COrvexApp(const QString& iniPath)
    : m_iniPath(iniPath),
      m_pRecent(std::make_unique<CRecentFileList>(iniPath)),
      m_pSettings(std::make_unique<CAppSettings>(iniPath)) {}

COrvexApp::~COrvexApp() = default;

bool COrvexApp::InitInstance(const QStringList& arguments) {
  bool start = false;
  std::optional<Language> language;
  QString file;
  bool wrong = false;
  for (qsizetype k = 0; k < arguments.size() && !wrong; ++k) {
    const QString& argument = arguments[k];
    if (argument == QLatin1String("--start")) {
      start = true;
    } else if (argument == QLatin1String("--lang")) {
      language = k + 1 < arguments.size() ? LanguageFromCode(arguments[++k]) : std::nullopt;
      wrong = !language;
    } else if (argument.startsWith(QLatin1Char('-')) || !file.isEmpty()) {
      wrong = true;
    } else {
      file = argument;
    }
  }
  if (wrong) {
    std::fputs(kOrvexUsage, stderr);
    return false;
  }

  // Every window takes its texts as it is built, so the language comes first.
  m_pTranslation = std::make_unique<CTranslation>(language.value_or(LanguageSetting(m_iniPath)));
  RememberFoldersIn(m_iniPath);
  m_pFrame = std::make_unique<CMainFrame>();
  CParamModel* model = m_pFrame->Model();
  m_pDoc = new COrvexDoc(model, m_pRecent.get(), m_pFrame.get());
  connect(m_pDoc, &COrvexDoc::titleChanged, m_pFrame.get(), &CMainFrame::SetCaption);
  connect(m_pDoc, &COrvexDoc::recentFilesChanged, m_pFrame.get(), &CMainFrame::SetRecentFiles);
  m_pDoc->OnNewDocument();
  m_pFrame->SetRecentFiles(m_pRecent->Files());
  m_pSettings->Restore(*model);
  m_pSettings->Follow(*model);
  const auto on = [this](int id, auto handler) {
    connect(m_pFrame->Action(id), &QAction::triggered, this, handler);
  };
  on(ID_APP_ABOUT, [this] { OnAppAbout(); });
  on(ID_FILE_OPEN, [this] { OnFileOpen(); });
  on(ID_FILE_NEW, [this] { OnFileNew(); });
  // A formula typed but not yet committed is saved too.
  on(ID_FILE_SAVE, [this] {
    m_pFrame->CommitTyping();
    m_pDoc->DoFileSave();
  });
  on(ID_FILE_SAVE_AS, [this] {
    m_pFrame->CommitTyping();
    m_pDoc->DoSaveAs();
  });
  connect(m_pFrame.get(), &CMainFrame::recentFileChosen, this, &COrvexApp::OnOpenRecentFile);

  if (!file.isEmpty() && !OpenDocumentFile(file)) return false;
  m_pFrame->show();
  if (start) {
    // Queued behind the panel's first showing, so the run gets the view's
    // final size.
    COrvexView* view = m_pFrame->View();
    connect(view, &COrvexView::firstPainted, view, &COrvexView::OnStart,
            static_cast<Qt::ConnectionType>(Qt::SingleShotConnection | Qt::QueuedConnection));
  }
  return true;
}

void COrvexApp::OnAppAbout() {
  CAboutDialog dialog(m_pFrame.get());
  RunModal(dialog);
}

void COrvexApp::OnFileNew() { m_pDoc->OnNewDocument(); }

void COrvexApp::OnFileOpen() {
  m_pDoc->OnNewDocument();
  const QString path = AskFileName(m_pFrame.get(), ParameterFileRequest(FileRequest::Open));
  if (!path.isEmpty()) OpenDocumentFile(path);
}

bool COrvexApp::OpenDocumentFile(const QString& path) {
  // A load under a running thread would race its end; stop it as Stop does.
  m_pFrame->View()->OnStop();
  return m_pDoc->OnOpenDocument(path);
}

void COrvexApp::OnOpenRecentFile(const QString& path) {
  if (!OpenDocumentFile(path)) {
    m_pRecent->Remove(path);
    m_pFrame->SetRecentFiles(m_pRecent->Files());
  }
}
