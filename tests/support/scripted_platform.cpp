#include "tests/support/scripted_platform.h"

#include <QFileInfo>

namespace zirt::testing {

void ScriptedPlatform::ClearRecords() {
  messages_.clear();
  open_dialogs_.clear();
  save_dialogs_.clear();
  help_calls_.clear();
  unscripted_ = 0;
}

void ScriptedPlatform::MoveCurrentFolderTo(const QString& file) {
  current_folder_ = QFileInfo(file).absolutePath();
}

QStringList ScriptedPlatform::OpenFiles(QWidget* owner, const FileDialogRequest& request) {
  open_dialogs_.push_back({owner, request});
  if (open_answers_.empty()) {
    ++unscripted_;
    return {};
  }
  QStringList answer = open_answers_.front();
  open_answers_.pop_front();
  if (!answer.isEmpty()) MoveCurrentFolderTo(answer.front());
  return answer;
}

std::optional<QString> ScriptedPlatform::SaveFile(QWidget* owner,
                                                  const FileDialogRequest& request) {
  save_dialogs_.push_back({owner, request});
  if (save_answers_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  std::optional<QString> answer = save_answers_.front();
  save_answers_.pop_front();
  if (answer) MoveCurrentFolderTo(*answer);
  return answer;
}

std::optional<QString> ScriptedPlatform::PickFolder(QWidget*, const QString&, const QString&) {
  ++folder_dialogs_;
  if (folder_answers_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  const QString answer = folder_answers_.front();
  folder_answers_.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

Answer ScriptedPlatform::ShowMessage(QWidget* owner, const MessageRequest& request) {
  messages_.push_back({owner, request});
  if (request.buttons == Buttons::kOk) return Answer::kOk;
  if (message_answers_.empty()) {
    ++unscripted_;
    return request.buttons == Buttons::kYesNoCancel ? Answer::kCancel : Answer::kNo;
  }
  const Answer answer = message_answers_.front();
  message_answers_.pop_front();
  return answer;
}

void ScriptedPlatform::ShowHelp(QWidget* owner, const QString& help_file, int command, int data) {
  help_calls_.push_back({owner, help_file, command, data});
}

bool ScriptedPlatform::FileExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

}  // namespace zirt::testing
