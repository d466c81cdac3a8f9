// The application: start-up from the command line, the one document and
// main frame, the recent-file list, and the commands that open files, make
// the document new and show the version box.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class CAppSettings;
class CMainFrame;
class COrvexDoc;
class CRecentFileList;
class CTranslation;

class COrvexApp : public QObject {
  Q_OBJECT

 public:
  // iniPath: the file holding the recent-file list and the settings.
  explicit COrvexApp(const QString& iniPath);
  ~COrvexApp() override;

  // arguments without the program name: [--start] [--lang ja|en] [FILE.ovx].
  // The language is the option's, else the INI file's, else Japanese. Shows
  // the main window; false (after a message) when the arguments are wrong or
  // the file cannot be opened, and the program then ends.
  bool InitInstance(const QStringList& arguments);

  CMainFrame* MainFrame() const { return m_pFrame.get(); }

  void OnAppAbout();
  // Untitled first, then the open dialog; a cancel leaves it untitled.
  void OnFileOpen();
  void OnFileNew();
  // From the command line, the dialog or the recent-file list. A run still
  // on is stopped first.
  bool OpenDocumentFile(const QString& path);

 private:
  void OnOpenRecentFile(const QString& path);

  QString m_iniPath;
  // In this order: the translation outlives every window, and the document
  // (a child of the frame) goes with the frame, before the list it uses.
  std::unique_ptr<CTranslation> m_pTranslation;
  std::unique_ptr<CRecentFileList> m_pRecent;
  std::unique_ptr<CAppSettings> m_pSettings;
  std::unique_ptr<CMainFrame> m_pFrame;
  COrvexDoc* m_pDoc = nullptr;
};

// The usage text for orvex --help and for wrong arguments.
extern const char* const kOrvexUsage;
