#include "gui/Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "gui/Language.h"
#include "gui/Texts.h"

namespace {

PromptHooks& Hooks() {
  static PromptHooks hooks;
  return hooks;
}

}  // namespace

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

QString AskFileName(QWidget* parent, const FileRequest& request) {
  if (Hooks().fileName) return Hooks().fileName(request);
  QFileDialog dialog(parent, request.title, QString(), request.filters);
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
