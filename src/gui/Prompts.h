// Every modal question the program asks goes through here: message boxes,
// file dialogs and modal dialogs. Tests replace these with hooks, so that no
// test ever blocks on a box nobody can close.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QFileDialog;
class QWidget;

struct FileRequest {
  enum Mode { Open, Save } mode = Open;
  QString title;
  QString filters;        // Qt filter list, ";;"-separated
  QString suggestion;     // initial path, or a name in the start folder ("" = none)
  QString directory;      // the start folder ("" = the one a file was last chosen in)
  QString defaultSuffix;  // added to a name typed without one ("" = none)
  // Where the filter the user chose goes, when the caller cares (null = nowhere).
  QString* chosenFilter = nullptr;
};

enum class MessageIcon { Warning, None };

// The program's own messages: caption "Orvex", an OK button, and the warning
// icon but for the two "type a number" messages. text is the Japanese
// message, core's included; it shows in the window's language (TrMessage).
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::Warning);
// The chosen path, or "" when the user cancelled. A save dialog asks before
// it replaces an existing file; a name typed without an extension gets the
// default suffix, or the extension of the filter chosen (FollowChosenFilter).
// Without a start folder the dialog opens in the one a file was last chosen
// in, and the chosen file's folder is remembered for the next.
QString AskFileName(QWidget* parent, const FileRequest& request);
// Makes the extension of the filter the user chooses, as in "PNG (*.png)",
// the dialog's default suffix; a filter of no one extension ("*.*") keeps it.
void FollowChosenFilter(QFileDialog& dialog);
// The requests of the program's file dialogs: parameter files (open or save),
// the picture (BMP, or PNG), and meshes (STL, OBJ, STL solid; the filter the
// user chose goes to *chosenFilter).
FileRequest ParameterFileRequest(FileRequest::Mode mode);
FileRequest ImageFileRequest();
FileRequest MeshFileRequest(QString* chosenFilter);
// File dialogs open in the folder a file was last chosen in, kept in the INI
// file at iniPath; until this is called, in the working folder.
void RememberFoldersIn(const QString& iniPath);

// exec() of a modal dialog; returns its result code.
int RunModal(QDialog& dialog);

struct PromptHooks {
  std::function<void(const QString& text)> message;
  std::function<QString(const FileRequest& request)> fileName;
  std::function<int(QDialog& dialog)> modal;
};
// Empty members keep the real behaviour.
void SetPromptHooks(PromptHooks hooks);
