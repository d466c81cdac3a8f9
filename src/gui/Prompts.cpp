#include "gui/Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <optional>

#include "gui/AppSettings.h"
#include "gui/Language.h"
#include "gui/Texts.h"

namespace {

PromptHooks& Hooks() {
  static PromptHooks hooks;
  return hooks;
}

std::optional<CAppSettings>& FolderMemory() {
  static std::optional<CAppSettings> settings;
  return settings;
}

QString Filters(std::initializer_list<const char*> filters) {
  QStringList translated;
  for (const char* filter : filters) translated << Tr(filter);
  return translated.join(QStringLiteral(";;"));
}

}  // namespace

void RememberFoldersIn(const QString& iniPath) { FolderMemory().emplace(iniPath); }

FileRequest ParameterFileRequest(FileRequest::Mode mode) {
  FileRequest request;
  request.mode = mode;
  request.title = Tr(mode == FileRequest::Open ? texts::kOpenDialogTitle : texts::kSaveDialogTitle);
  request.filters = Filters({texts::kParaFilter, texts::kAllFilesFilter});
  if (mode == FileRequest::Save) request.defaultSuffix = QString::fromLatin1(texts::kParaExtension);
  return request;
}

FileRequest ImageFileRequest() {
  // The bitmap comes first and stays the default; choosing the PNG filter
  // makes a bare name end in .png.
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = Tr(texts::kSaveDialogTitle);
  request.filters = Filters({texts::kBitmapFilter, texts::kPngFilter});
  request.defaultSuffix = QString::fromLatin1(texts::kBitmapExtension);
  return request;
}

FileRequest MeshFileRequest(QString* chosenFilter) {
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = Tr(texts::kSaveDialogTitle);
  request.filters = Filters({texts::kStlFilter, texts::kObjFilter, texts::kStlSolidFilter});
  request.defaultSuffix = QString::fromLatin1(texts::kStlExtension);
  request.chosenFilter = chosenFilter;
  return request;
}

void SetPromptHooks(PromptHooks hooks) { Hooks() = std::move(hooks); }

void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
  const QString shown = TrMessage(text);
  if (Hooks().message) {
    Hooks().message(shown);
    return;
  }
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QString::fromUtf8(texts::kAppTitle), shown, QMessageBox::Ok, parent);
  box.exec();
}

namespace {

QString AskFileNameInDialog(QWidget* parent, const FileRequest& request) {
  QFileDialog dialog(parent, request.title, request.directory, request.filters);
  dialog.setAcceptMode(request.mode == FileRequest::Save ? QFileDialog::AcceptSave
                                                         : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mode == FileRequest::Save ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
  if (!request.defaultSuffix.isEmpty()) {
    dialog.setDefaultSuffix(request.defaultSuffix);
    FollowChosenFilter(dialog);
  }
  if (!request.suggestion.isEmpty()) dialog.selectFile(request.suggestion);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  if (request.chosenFilter != nullptr) *request.chosenFilter = dialog.selectedNameFilter();
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString AskFileName(QWidget* parent, const FileRequest& given) {
  FileRequest request = given;
  if (request.directory.isEmpty() && FolderMemory()) {
    request.directory = FolderMemory()->LastFolder();
  }
  const QString path =
      Hooks().fileName ? Hooks().fileName(request) : AskFileNameInDialog(parent, request);
  if (!path.isEmpty() && FolderMemory()) {
    FolderMemory()->SetLastFolder(QFileInfo(path).absolutePath());
  }
  return path;
}

void FollowChosenFilter(QFileDialog& dialog) {
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) {
                     static const QRegularExpression kExtension(QStringLiteral("\\*\\.(\\w+)"));
                     const QRegularExpressionMatch match = kExtension.match(filter);
                     if (match.hasMatch()) dialog.setDefaultSuffix(match.captured(1));
                   });
}

int RunModal(QDialog& dialog) {
  if (Hooks().modal) return Hooks().modal(dialog);
  return dialog.exec();
}
