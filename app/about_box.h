// The about box: the program's name, version, address and authors, laid out as designed at
// 120 pixels per inch.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace zirt {
class DesignPanel;
}

class TZIRTAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TZIRTAboutBox(QWidget* parent = nullptr);

  QPushButton* OKButton = nullptr;
  zirt::DesignPanel* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Version = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void RetranslateUi();
};
