// The main window's menu and the wiring of its buttons and menu items to their handlers.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/main/menu_keys.h"
#include "app/main/mpkalibr.h"
#include "app/main/result_files.h"
#include "app/measure/measure_images.h"
#include "app/measure/print_board.h"
#include "platform/exception_display.h"
#include "platform/qt_translation.h"

void TMPForm::BuildMenu() {
  const auto add = [](QMenu* menu, const char* name) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  // The texts are put up by RetranslateUi, in the interface's language.
  N1 = menuBar()->addMenu(QString());
  N1->setObjectName(QStringLiteral("N1"));
  N4 = add(N1, "N4");
  N4->setShortcut(QKeySequence::Open);
  N6 = add(N1, "N6");
  N6->setShortcut(QKeySequence::Save);
  N6->setEnabled(false);
  N7 = N1->addSeparator();
  N7->setObjectName(QStringLiteral("N7"));
  MeasureImages = add(N1, "MeasureImages");
  N1->insertAction(N6, MeasureImages);
  PrintBoard = add(N1, "PrintBoard");
  N1->insertAction(N6, PrintBoard);
  WriteCalibration = add(N1, "WriteCalibration");
  PdfReport = add(N1, "PdfReport");
  N1->insertAction(N7, WriteCalibration);
  N1->insertAction(N7, PdfReport);
  WriteCalibration->setEnabled(false);
  PdfReport->setEnabled(false);
  N5 = add(N1, "N5");

  N3 = menuBar()->addMenu(QString());
  N3->setObjectName(QStringLiteral("N3"));
  N15 = add(N3, "N15");
  N15->setCheckable(true);
  BuildLanguageMenu();

  N2 = menuBar()->addMenu(QString());
  N2->setObjectName(QStringLiteral("N2"));
  N10 = add(N2, "N10");
  N10->setShortcut(Qt::Key_F9);
  N16 = add(N2, "N16");
  N16->setShortcut(Qt::CTRL | Qt::Key_D);
  N16->setEnabled(false);

  N11 = menuBar()->addMenu(QString());
  N11->setObjectName(QStringLiteral("N11"));
  N12 = add(N11, "N12");
  N12->setShortcut(QKeySequence::HelpContents);
  N13 = add(N11, "N13");

  zirt::InstallAccessKeys();
}

void TMPForm::BuildLanguageMenu() {
  // Named in both languages and each language in its own, so that a user who cannot read
  // the interface's present language still finds the way back.
  LanguageMenu = N3->addMenu(QStringLiteral("&Язык / Language"));
  LanguageMenu->setObjectName(QStringLiteral("LanguageMenu"));
  auto* group = new QActionGroup(LanguageMenu);
  const auto add = [&](const QString& caption, const char* name, zirt::InterfaceLanguage language) {
    QAction* action = LanguageMenu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setChecked(zirt::CurrentInterfaceLanguage() == language);
    group->addAction(action);
    // A switch that could not be made leaves the check on the language still shown.
    connect(action, &QAction::triggered, this, [this, language] {
      if (!zirt::SetInterfaceLanguage(language)) RetranslateUi();
    });
    return action;
  };
  RussianLanguage =
      add(QStringLiteral("&Русский"), "RussianLanguage", zirt::InterfaceLanguage::kRussian);
  EnglishLanguage =
      add(QStringLiteral("&English"), "EnglishLanguage", zirt::InterfaceLanguage::kEnglish);
}

void TMPForm::RetranslateUi() {
  // Every menu and item has its access key, and the commands used most their shortcut.
  setWindowTitle(tr("Калибровка главной точки"));
  N1->setTitle(tr("&Файл"));
  N4->setText(tr("&Загрузить"));
  N6->setText(tr("&Сохранить"));
  MeasureImages->setText(tr("&Измерить снимки…"));
  PrintBoard->setText(tr("Мишень для &печати…"));
  WriteCalibration->setText(tr("Записать в &файл калибровки…"));
  PdfReport->setText(tr("&Отчёт PDF…"));
  N5->setText(tr("&Выход"));
  N3->setTitle(tr("&Настройки"));
  N15->setText(tr("&Пошаговый режим работы"));
  N2->setTitle(tr("&Счёт"));
  N10->setText(tr("&Главная точка"));
  N16->setText(tr("&Диагностика…"));
  N11->setTitle(tr("&Помощь"));
  N12->setText(tr("&Справка"));
  N13->setText(tr("&О программе"));
  Button2->setText(tr("Загрузить"));
  Button2->setToolTip(tr("Реперные точки изображений"));
  Button1->setText(tr("Счет"));
  Button1->setToolTip(tr("Найти координаты главной точки"));
  Button3->setText(tr("Сохранить"));
  Button3->setToolTip(tr("Сохранить результаты"));
  const bool english = zirt::CurrentInterfaceLanguage() == zirt::InterfaceLanguage::kEnglish;
  EnglishLanguage->setChecked(english);
  RussianLanguage->setChecked(!english);
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
