#include "app/main/menu_keys.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace zirt {
namespace {

// The action of `actions` whose access key is `letter` (any case); null for none.
QAction* WithAccessKey(const QList<QAction*>& actions, char16_t letter) {
  const QChar upper = QChar(letter).toUpper();
  for (QAction* action : actions) {
    if (!action->isVisible() || action->isSeparator()) continue;
    const QKeySequence key = QKeySequence::mnemonic(action->text());
    if (!key.isEmpty() && key[0].key() == upper.unicode()) return action;
  }
  return nullptr;
}

// Watches the application's keys; acts only where Qt itself found nothing to do.
class AccessKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    // A click, or Alt+Tab to another window, makes the Alt no lone one.
    if (type == QEvent::MouseButtonPress || type == QEvent::WindowDeactivate) alt_alone_ = false;
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (auto* menu = qobject_cast<QMenu*>(widget))
      return type == QEvent::KeyPress && InMenu(menu, *key);
    QWidget* window = widget->window();
    if (!window->isActiveWindow() && !window->isVisible()) return false;
    return type == QEvent::KeyPress ? Pressed(window, *key) : Released(window, *key);
  }

 private:
  // A Latin-layout letter in an open menu goes to the item with the Cyrillic access key there.
  static bool InMenu(QMenu* menu, const QKeyEvent& key) {
    if (key.modifiers() & ~(Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier)) return false;
    const char16_t letter = CyrillicOfKey(key.key());
    if (letter == 0 || key.text().isEmpty() || key.text().at(0).unicode() == letter) return false;
    if (WithAccessKey(menu->actions(), letter) == nullptr) return false;
    QKeyEvent translated(QEvent::KeyPress, QChar(letter).toUpper().unicode(), key.modifiers(),
                         QString(QChar(letter)));
    QApplication::sendEvent(menu, &translated);
    return true;
  }

  static QMenuBar* BarOf(QWidget* window) {
    auto* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    return bar != nullptr && bar->isVisible() && bar->isEnabled() ? bar : nullptr;
  }

  bool Pressed(QWidget* window, const QKeyEvent& key) {
    const bool alt_only = key.modifiers() == Qt::AltModifier;
    alt_alone_ = key.key() == Qt::Key_Alt && (alt_only || key.modifiers() == Qt::NoModifier);
    QMenuBar* bar = BarOf(window);
    if (key.key() == Qt::Key_F10 && key.modifiers() == Qt::NoModifier)
      return bar != nullptr && Open(bar, FirstMenu(bar));
    if (!alt_only) return false;
    const char16_t letter = CyrillicOfKey(key.key());
    if (letter == 0) return false;
    if (bar != nullptr && Open(bar, WithAccessKey(bar->actions(), letter))) return true;
    return ClickButton(window, letter);
  }

  bool Released(QWidget* window, const QKeyEvent& key) {
    if (key.key() != Qt::Key_Alt || !alt_alone_) return false;
    alt_alone_ = false;
    QMenuBar* bar = BarOf(window);
    return bar != nullptr && Open(bar, FirstMenu(bar));
  }

  static bool ClickButton(QWidget* window, char16_t letter) {
    const QChar upper = QChar(letter).toUpper();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->window() != window || !button->isVisible() || !button->isEnabled()) continue;
      const QKeySequence key = QKeySequence::mnemonic(button->text());
      if (key.isEmpty() || key[0].key() != upper.unicode()) continue;
      button->setFocus(Qt::ShortcutFocusReason);
      button->click();
      return true;
    }
    return false;
  }

  static QAction* FirstMenu(QMenuBar* bar) {
    for (QAction* action : bar->actions())
      if (action->isVisible() && action->isEnabled() && action->menu() != nullptr) return action;
    return nullptr;
  }

  static bool Open(QMenuBar* bar, QAction* action) {
    if (action == nullptr || !action->isEnabled()) return false;
    bar->setActiveAction(action);
    return true;
  }

  bool alt_alone_ = false;
};

}  // namespace

char16_t CyrillicOfKey(int qt_key) {
  static constexpr struct {
    int key;
    char16_t letter;
  } kLayout[] = {
      {Qt::Key_Q, u'й'},         {Qt::Key_W, u'ц'},           {Qt::Key_E, u'у'},
      {Qt::Key_R, u'к'},         {Qt::Key_T, u'е'},           {Qt::Key_Y, u'н'},
      {Qt::Key_U, u'г'},         {Qt::Key_I, u'ш'},           {Qt::Key_O, u'щ'},
      {Qt::Key_P, u'з'},         {Qt::Key_BracketLeft, u'х'}, {Qt::Key_BracketRight, u'ъ'},
      {Qt::Key_A, u'ф'},         {Qt::Key_S, u'ы'},           {Qt::Key_D, u'в'},
      {Qt::Key_F, u'а'},         {Qt::Key_G, u'п'},           {Qt::Key_H, u'р'},
      {Qt::Key_J, u'о'},         {Qt::Key_K, u'л'},           {Qt::Key_L, u'д'},
      {Qt::Key_Semicolon, u'ж'}, {Qt::Key_Apostrophe, u'э'},  {Qt::Key_Z, u'я'},
      {Qt::Key_X, u'ч'},         {Qt::Key_C, u'с'},           {Qt::Key_V, u'м'},
      {Qt::Key_B, u'и'},         {Qt::Key_N, u'т'},           {Qt::Key_M, u'ь'},
      {Qt::Key_Comma, u'б'},     {Qt::Key_Period, u'ю'},      {Qt::Key_QuoteLeft, u'ё'},
  };
  for (const auto& entry : kLayout)
    if (entry.key == qt_key) return entry.letter;
  return 0;
}

void InstallAccessKeys() {
  static AccessKeys* installed = nullptr;
  if (installed != nullptr) return;
  installed = new AccessKeys(qApp);
  qApp->installEventFilter(installed);
}

}  // namespace zirt
