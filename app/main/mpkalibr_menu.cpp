// The main window's menu and the wiring of its buttons and menu items to their handlers.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/main/menu_keys.h"
#include "app/main/mpkalibr.h"
#include "app/main/result_files.h"
#include "app/measure/measure_images.h"
#include "app/measure/print_board.h"
#include "platform/exception_display.h"

void TMPForm::BuildMenu() {
  const auto add = [](QMenu* menu, const QString& caption, const char* name) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  // Every menu and item has its access key, and the commands used most their shortcut.
  N1 = menuBar()->addMenu(QStringLiteral("&Файл"));
  N1->setObjectName(QStringLiteral("N1"));
  N4 = add(N1, QStringLiteral("&Загрузить"), "N4");
  N4->setShortcut(QKeySequence::Open);
  N6 = add(N1, QStringLiteral("&Сохранить"), "N6");
  N6->setShortcut(QKeySequence::Save);
  N6->setEnabled(false);
  N7 = N1->addSeparator();
  N7->setObjectName(QStringLiteral("N7"));
  MeasureImages = add(N1, QStringLiteral("&Измерить снимки…"), "MeasureImages");
  N1->insertAction(N6, MeasureImages);
  PrintBoard = add(N1, QStringLiteral("Мишень для &печати…"), "PrintBoard");
  N1->insertAction(N6, PrintBoard);
  WriteCalibration = add(N1, QStringLiteral("Записать в &файл калибровки…"), "WriteCalibration");
  PdfReport = add(N1, QStringLiteral("&Отчёт PDF…"), "PdfReport");
  N1->insertAction(N7, WriteCalibration);
  N1->insertAction(N7, PdfReport);
  WriteCalibration->setEnabled(false);
  PdfReport->setEnabled(false);
  N5 = add(N1, QStringLiteral("&Выход"), "N5");

  N3 = menuBar()->addMenu(QStringLiteral("&Настройки"));
  N3->setObjectName(QStringLiteral("N3"));
  N15 = add(N3, QStringLiteral("&Пошаговый режим работы"), "N15");
  N15->setCheckable(true);

  N2 = menuBar()->addMenu(QStringLiteral("&Счёт"));
  N2->setObjectName(QStringLiteral("N2"));
  N10 = add(N2, QStringLiteral("&Главная точка"), "N10");
  N10->setShortcut(Qt::Key_F9);
  N16 = add(N2, QStringLiteral("&Диагностика…"), "N16");
  N16->setShortcut(Qt::CTRL | Qt::Key_D);
  N16->setEnabled(false);

  N11 = menuBar()->addMenu(QStringLiteral("&Помощь"));
  N11->setObjectName(QStringLiteral("N11"));
  N12 = add(N11, QStringLiteral("&Справка"), "N12");
  N12->setShortcut(QKeySequence::HelpContents);
  N13 = add(N11, QStringLiteral("&О программе"), "N13");

  zirt::InstallAccessKeys();
}

void TMPForm::ConnectCommands() {
  const auto guarded = [this](void (TMPForm::*handler)()) {
    return [this, handler] { zirt::RunGuarded(platform_, this, [&] { (this->*handler)(); }); };
  };
  connect(Button1, &QPushButton::clicked, this, guarded(&TMPForm::Button1Click));
  connect(Button2, &QPushButton::clicked, this, guarded(&TMPForm::Button2Click));
  connect(Button3, &QPushButton::clicked, this, guarded(&TMPForm::Button3Click));
  connect(N4, &QAction::triggered, this, guarded(&TMPForm::Button2Click));
  connect(N6, &QAction::triggered, this, guarded(&TMPForm::Button3Click));
  connect(N10, &QAction::triggered, this, guarded(&TMPForm::Button1Click));
  connect(N16, &QAction::triggered, this, guarded(&TMPForm::N16Click));
  connect(N12, &QAction::triggered, this, guarded(&TMPForm::N12Click));
  connect(N13, &QAction::triggered, this, guarded(&TMPForm::N13Click));
  connect(PrintBoard, &QAction::triggered, this, [this] {
    zirt::RunGuarded(platform_, this, [&] { zirt::PrintBoardCommand(*this, platform_); });
  });
  connect(MeasureImages, &QAction::triggered, this, [this] {
    zirt::RunGuarded(platform_, this, [&] { zirt::MeasureImagesCommand(*this, platform_); });
  });
  connect(N5, &QAction::triggered, this, &QWidget::close);
  // Both need a computed point, as saving does.
  connect(N6, &QAction::changed, this, [this] {
    WriteCalibration->setEnabled(N6->isEnabled());
    PdfReport->setEnabled(N6->isEnabled());
  });
  connect(WriteCalibration, &QAction::triggered, this, [this] {
    zirt::RunGuarded(platform_, this, [&] { zirt::WriteCalibrationCommand(*this, platform_); });
  });
  connect(PdfReport, &QAction::triggered, this, [this] {
    zirt::RunGuarded(platform_, this, [&] { zirt::PdfReportCommand(*this, platform_); });
  });
  // Qt flips a checkable item before it reports the trigger, but the switch belongs to
  // N15Click; undo Qt's flip so the handler alone decides.
  connect(N15, &QAction::triggered, this, [this, guarded] {
    N15->setChecked(!N15->isChecked());
    guarded (&TMPForm::N15Click)();
  });
}
