// A Platform for tests: dialogs and message boxes answer from scripts, and everything the
// program asked for is recorded.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace zirt::testing {

class ScriptedPlatform : public Platform {
 public:
  struct ShownMessage {
    QWidget* owner;
    MessageRequest request;
  };
  struct DialogCall {
    QWidget* owner;
    FileDialogRequest request;
  };
  struct HelpCall {
    QWidget* owner;
    QString file;
    int command;
    int data;
  };

  // Answers for the next dialogs and Yes/No questions, first in first out. An empty list for
  // OpenFiles, or nullopt for SaveFile, is a cancelled dialog. OK boxes need no answer and
  // take none from the queue.
  void ScriptOpenFiles(const QStringList& paths) { open_answers_.push_back(paths); }
  void ScriptSaveFile(std::optional<QString> path) { save_answers_.push_back(std::move(path)); }
  void ScriptAnswer(Answer answer) { message_answers_.push_back(answer); }
  // An empty folder is a cancelled folder dialog.
  void ScriptPickFolder(const QString& folder) { folder_answers_.push_back(folder); }

  // Unscripted, a dialog is cancelled, a Yes/No question gets No, the answer that never
  // consents, and a question with Cancel gets Cancel. Each such call is counted, so a test can tell
  // it went off script.
  int UnscriptedCalls() const { return unscripted_; }

  const std::vector<ShownMessage>& Messages() const { return messages_; }
  const std::vector<DialogCall>& OpenDialogs() const { return open_dialogs_; }
  const std::vector<DialogCall>& SaveDialogs() const { return save_dialogs_; }
  int FolderDialogs() const { return folder_dialogs_; }
  const std::vector<HelpCall>& HelpCalls() const { return help_calls_; }
  void ClearRecords();

  void SetCurrentFolder(const QString& folder) { current_folder_ = folder; }

  QStringList OpenFiles(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<QString> SaveFile(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<QString> PickFolder(QWidget* owner, const QString& caption,
                                    const QString& initial_folder) override;
  Answer ShowMessage(QWidget* owner, const MessageRequest& request) override;
  void ShowHelp(QWidget* owner, const QString& help_file, int command, int data) override;
  QString CurrentFolder() override { return current_folder_; }
  bool FileExists(const QString& path) override;

 private:
  // Dialogs move the current folder to the chosen file's folder, as the desktop's do.
  void MoveCurrentFolderTo(const QString& file);

  std::deque<QStringList> open_answers_;
  std::deque<std::optional<QString>> save_answers_;
  std::deque<Answer> message_answers_;
  std::deque<QString> folder_answers_;
  int folder_dialogs_ = 0;
  std::vector<ShownMessage> messages_;
  std::vector<DialogCall> open_dialogs_;
  std::vector<DialogCall> save_dialogs_;
  std::vector<HelpCall> help_calls_;
  QString current_folder_;
  int unscripted_ = 0;
};

}  // namespace zirt::testing
