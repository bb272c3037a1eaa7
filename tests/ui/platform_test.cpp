// The desktop platform layer and the application's exception display.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <stdexcept>

#include "data/decimal_separator.h"
#include "data/exceptions.h"
#include "platform/exception_display.h"
#include "platform/file_dialog_columns.h"
#include "platform/locale_change_filter.h"
#include "platform/qt_platform.h"
#include "platform/qt_translation.h"
#include "platform/regional_settings.h"
#include "tests/support/scripted_platform.h"

namespace {

// Runs `act` on the modal dialog once it is open.
template <typename Dialog>
void WhenModal(std::function<void(Dialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    act(dialog);
  });
}

void WriteFile(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("1;2\r\n");
}

}  // namespace

class PlatformTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { original_folder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(original_folder_); }

  void filtersBecomeQtFilters() {
    QCOMPARE(zirt::ToQtFilter("Coordinate Files (*.crd)|*.crd"),
             QStringLiteral("Coordinate Files (*.crd)"));
    QCOMPARE(zirt::ToQtFilter("Camera Files|*.cam|All Files|*.*"),
             QStringLiteral("Camera Files (*.cam);;All Files (*.*)"));
    QCOMPARE(zirt::ToQtFilter("Text|*.txt;*.lst"), QStringLiteral("Text (*.txt *.lst)"));
    QCOMPARE(zirt::ToQtSuffix("*.crd"), QStringLiteral("crd"));
    QCOMPARE(zirt::ToQtSuffix(".cam"), QStringLiteral("cam"));
    QCOMPARE(zirt::ToQtSuffix("*.*"), QString());
    QCOMPARE(zirt::ToQtSuffix(""), QString());
  }

  void fullStopFollowsLettersAndDigitsOnly_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("exclamation") << "Ошибка!"
                                 << "Ошибка!";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("blank") << "Trailing "
                           << "Trailing ";
    QTest::newRow("latin") << "Index out of bounds ListOfT::Get"
                           << "Index out of bounds ListOfT::Get.";
    QTest::newRow("cyrillic") << "Ошибка деления"
                              << "Ошибка деления.";
    QTest::newRow("digit") << "code 7"
                           << "code 7.";
    QTest::newRow("empty") << ""
                           << "";
  }
  void fullStopFollowsLettersAndDigitsOnly() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    zirt::testing::ScriptedPlatform platform;
    QWidget owner;
    zirt::ShowException(platform, &owner, message.toStdString());
    QCOMPARE(platform.Messages().size(), std::size_t{1});
    const auto& box = platform.Messages()[0];
    QCOMPARE(box.request.text, shown);
    QCOMPARE(box.request.caption, QStringLiteral("ZIRT"));
    QCOMPARE(box.request.icon, zirt::Icon::kError);
    QCOMPARE(box.request.buttons, zirt::Buttons::kOk);
    QCOMPARE(box.owner, &owner);
  }

  void guardShowsWhatEscapesAHandler() {
    zirt::testing::ScriptedPlatform platform;
    int state = 0;
    zirt::RunGuarded(platform, nullptr, [&] {
      state = 1;
      throw zirt::EZeroDivide();
    });
    zirt::RunGuarded(platform, nullptr, [] { throw std::runtime_error("library failure"); });
    zirt::RunGuarded(platform, nullptr, [&] { state = 2; });
    QCOMPARE(state, 2);
    QCOMPARE(platform.Messages().size(), std::size_t{2});
    QCOMPARE(platform.Messages()[0].request.text,
             QStringLiteral("Floating point division by zero."));
    QCOMPARE(platform.Messages()[1].request.text, QStringLiteral("library failure."));
  }

  void openDialogReturnsTheFileAndMovesTheCurrentFolder() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("points.crd"));
    WriteFile(path);
    zirt::FileDialogRequest request;
    request.filter = QStringLiteral("Coordinate Files (*.crd)|*.crd");
    request.default_extension = QStringLiteral("*.crd");
    request.initial_folder = folder.path();
    request.multi_select = true;
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Coordinate Files (*.crd)")});
      QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
      QCOMPARE(dialog->defaultSuffix(), QStringLiteral("crd"));
      dialog->selectFile(QStringLiteral("points.crd"));
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides accept().
    });
    zirt::QtPlatform platform;
    const QStringList chosen = platform.OpenFiles(nullptr, request);
    QCOMPARE(chosen, QStringList{QFileInfo(path).absoluteFilePath()});
    QCOMPARE(QFileInfo(platform.CurrentFolder()).canonicalFilePath(),
             QFileInfo(folder.path()).canonicalFilePath());
  }

  void cancelledDialogKeepsTheCurrentFolder() {
    QTemporaryDir folder;
    zirt::FileDialogRequest request;
    request.filter = QStringLiteral("Camera Files|*.cam|All Files|*.*");
    request.initial_folder = folder.path();
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      // The caller asks its own question before replacing a file.
      QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      dialog->reject();
    });
    zirt::QtPlatform platform;
    const QString before = platform.CurrentFolder();
    QVERIFY(!platform.SaveFile(nullptr, request).has_value());
    QCOMPARE(platform.CurrentFolder(), before);
  }

  void messageBoxShowsTheRequestAndReturnsTheButton() {
    zirt::MessageRequest request;
    request.text = QStringLiteral("Сохранить результат?");
    request.caption = QStringLiteral("Сохранение");
    request.buttons = zirt::Buttons::kYesNo;
    request.detail = QStringLiteral("b.crd, строка 3");
    request.informative =
        QStringLiteral("b.crd, строка 3\nСтрока много длиннее короткого сообщения над ней.");
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      QCOMPARE(box->informativeText(), request.informative);
      // Its lines are not wrapped to the short message's width.
      const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
      QVERIFY(label != nullptr);
      QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(
                                    request.informative.section(QLatin1Char('\n'), 1)));
      QCOMPARE(box->text(), QStringLiteral("Сохранить результат?"));
      QCOMPARE(box->windowTitle(), QStringLiteral("Сохранение"));
      QCOMPARE(box->icon(), QMessageBox::NoIcon);
      QCOMPARE(box->detailedText(), QStringLiteral("b.crd, строка 3"));
      box->button(QMessageBox::No)->click();
    });
    zirt::QtPlatform platform;
    QCOMPARE(platform.ShowMessage(nullptr, request), zirt::Answer::kNo);

    // With Cancel, Escape means Cancel and not No, which would drop the data.
    request.buttons = zirt::Buttons::kYesNoCancel;
    WhenModal<QMessageBox>([](QMessageBox* box) {
      QVERIFY(box->button(QMessageBox::Cancel) != nullptr);
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(platform.ShowMessage(nullptr, request), zirt::Answer::kCancel);

    request.buttons = zirt::Buttons::kOk;
    request.icon = zirt::Icon::kError;
    request.detail.clear();
    WhenModal<QMessageBox>([](QMessageBox* box) {
      QCOMPARE(box->icon(), QMessageBox::Critical);
      QVERIFY(box->button(QMessageBox::Yes) == nullptr);
      box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(platform.ShowMessage(nullptr, request), zirt::Answer::kOk);

    // With its details open, Enter still closes the box.
    request.detail = QStringLiteral("b.crd, строка 3");
    bool closed_by_enter = false;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      QAbstractButton* details = nullptr;  // the box's one button besides OK
      for (QAbstractButton* button : box->buttons())
        if (button != box->button(QMessageBox::Ok)) details = button;
      QVERIFY(details != nullptr);
      details->click();
      details->setFocus();
      QTest::keyClick(details, Qt::Key_Return);
      closed_by_enter = !box->isVisible();
      if (!closed_by_enter) box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(platform.ShowMessage(nullptr, request), zirt::Answer::kOk);
    QVERIFY(closed_by_enter);
    request.detail.clear();

    // Files that exist: each of the three buttons has its own answer.
    request.buttons = zirt::Buttons::kReplaceLoadCancel;
    const std::pair<QString, zirt::Answer> buttons[] = {
        {QStringLiteral("Да"), zirt::Answer::kYes},
        {QStringLiteral("Загрузить имеющиеся"), zirt::Answer::kLoad},
        {QStringLiteral("Отмена"), zirt::Answer::kNo}};
    for (const auto& [text, answer] : buttons) {
      WhenModal<QMessageBox>([text = text](QMessageBox* box) {
        QCOMPARE(box->buttons().size(), 3);
        for (QAbstractButton* button : box->buttons())
          if (button->text() == text) button->click();
      });
      QCOMPARE(platform.ShowMessage(nullptr, request), answer);
    }
  }

  void folderDialogReturnsTheFolder() {
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("другая")));
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
      QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
      dialog->selectFile(folder.filePath(QStringLiteral("другая")));
      static_cast<QDialog*>(dialog)->accept();
    });
    zirt::QtPlatform platform;
    QCOMPARE(platform.PickFolder(nullptr, QStringLiteral("Папка"), folder.path()),
             std::optional<QString>(folder.filePath(QStringLiteral("другая"))));
  }

  void qtDialogsSpeakRussian() {
    QVERIFY(zirt::InstallQtTranslation(*qApp));
    zirt::QtPlatform platform;
    QStringList seen;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
      seen << dialog->windowTitle();
      dialog->reject();
    });
    platform.OpenFiles(nullptr, {});
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
      seen << dialog->windowTitle();
      dialog->reject();
    });
    platform.SaveFile(nullptr, {});
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      seen << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
      box->button(QMessageBox::No)->click();
    });
    zirt::MessageRequest question;
    question.buttons = zirt::Buttons::kYesNo;
    platform.ShowMessage(nullptr, question);
    QCOMPARE(seen, (QStringList{QStringLiteral("Открыть"), QStringLiteral("Сохранить как"),
                                QStringLiteral("&Да"), QStringLiteral("&Нет")}));
  }

  // Under LC_ALL=C Qt's file model writes sizes and dates in English; the dialogs the
  // program opens write them in the interface's language.
  void fileDialogSizesAndDatesFollowTheInterface() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("points.crd"));
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(2500, ';'));
      file.flush();  // Else closing writes, and stamps the file again.
      QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 8), QTime(9, 30)),
                               QFileDevice::FileModificationTime));
    }
    QFileSystemModel files;
    QSignalSpy loaded(&files, &QFileSystemModel::directoryLoaded);
    files.setRootPath(folder.path());
    QVERIFY(loaded.wait(5000));
    zirt::FileDialogColumns columns;
    columns.setSourceModel(&files);
    const auto cell = [&](int column) {
      return columns.mapFromSource(files.index(path, column)).data().toString();
    };
    const auto folder_size = columns.mapFromSource(files.index(folder.path(), 1)).data();
    QVERIFY(!folder_size.toString().contains(QStringLiteral("byte")));
    QCOMPARE(cell(0), QStringLiteral("points.crd"));
    QCOMPARE(cell(1), QStringLiteral("2,44 КБ"));
    QCOMPARE(cell(3), QStringLiteral("08.12.2026 09:30"));
    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kEnglish);
    const QStringList english{cell(1), cell(3)};
    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kRussian);
    QCOMPARE(english, (QStringList{QStringLiteral("2.44 KiB"), QStringLiteral("12/8/26 9:30 AM")}));

    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      QVERIFY(dynamic_cast<zirt::FileDialogColumns*>(dialog->proxyModel()) != nullptr);
      dialog->reject();
    });
    zirt::QtPlatform().OpenFiles(nullptr, {});
  }

  void localeChangeReReadsTheDecimalSeparator() {
    // The settings of this process give a point or a comma; whatever it is, a locale change
    // restores it over a stale value.
    const char settings = zirt::DecimalSeparatorOf(QLocale::system());
    zirt::LocaleChangeFilter filter;
    qApp->installEventFilter(&filter);
    zirt::SetDecimalSeparator('#');
    QEvent unrelated(QEvent::FontChange);
    QCoreApplication::sendEvent(qApp, &unrelated);
    QCOMPARE(zirt::DecimalSeparator(), '#');
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(qApp, &change);
    QCOMPARE(zirt::DecimalSeparator(), settings);
    qApp->removeEventFilter(&filter);
  }

  void regionalSettingsGiveOneAsciiSeparator() {
    QCOMPARE(zirt::DecimalSeparatorOf(QLocale(QLocale::Russian, QLocale::Russia)), ',');
    QCOMPARE(zirt::DecimalSeparatorOf(QLocale(QLocale::English, QLocale::UnitedStates)), '.');
    QCOMPARE(zirt::DecimalSeparatorOf(QLocale::c()), '.');
    // An Arabic decimal separator has no 8-bit form; files then use a point.
    QCOMPARE(zirt::DecimalSeparatorOf(QLocale(QLocale::Arabic, QLocale::Egypt)), '.');
  }

  void onlyFilesExist() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("x.cam"));
    zirt::QtPlatform platform;
    QVERIFY(!platform.FileExists(path));
    WriteFile(path);
    QVERIFY(platform.FileExists(path));
    QVERIFY(!platform.FileExists(folder.path()));
  }

 private:
  QString original_folder_;
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
