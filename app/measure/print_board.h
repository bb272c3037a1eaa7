// "Файл → Мишень для печати…": a ChArUco board or an AprilGrid drawn as a PDF to print at
// exact scale, by zirt-measure --make-board (the window itself never loads OpenCV).
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class TMPForm;

namespace zirt {

class Platform;

// The board asked for and its print; kept for the session.
struct PrintBoardSettings {
  int kind = 0;  // 0 ChArUco, 1 AprilGrid
  int cols = 11;
  int rows = 8;
  QString dictionary = QStringLiteral("DICT_5X5_100");
  double tag_spacing = 0.3;
  double square_mm = 25;
  int paper = 0;  // 0 A4 where it fits, A3 otherwise; 1 A4; 2 A3
  // zirt-measure's arguments before --pdf: "--make-board charuco 11x8:DICT_5X5_100 …".
  QStringList Arguments() const;
  // The file name proposed: "charuco_11x8_25mm.pdf".
  QString FileName() const;
};

class PrintBoardDialog : public QDialog {
  Q_OBJECT

 public:
  PrintBoardDialog(const PrintBoardSettings& settings, QWidget* parent);
  PrintBoardSettings Settings() const;

  QComboBox* Kind = nullptr;
  QSpinBox* Cols = nullptr;
  QSpinBox* Rows = nullptr;
  QComboBox* Dictionary = nullptr;
  QDoubleSpinBox* TagSpacing = nullptr;
  QDoubleSpinBox* SquareMm = nullptr;
  QComboBox* Paper = nullptr;
};

// Asks the board, then the PDF's name, and has zirt-measure draw it; tells the outcome.
void PrintBoardCommand(TMPForm& form, Platform& platform);

}  // namespace zirt
