#include "app/menu_keys.h"

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

// Watches the application's keys for the one window that holds the bar.
class MenuKeys : public QObject {
 public:
  explicit MenuKeys(QMenuBar* bar) : QObject(bar), bar_(bar) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress) alt_alone_ = false;
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (auto* menu = qobject_cast<QMenu*>(widget); menu != nullptr && type == QEvent::KeyPress)
      return InMenu(menu, *key);
    if (widget->window() != bar_->window() || !bar_->isEnabled()) return false;
    return type == QEvent::KeyPress ? Pressed(*key) : Released(*key);
  }

 private:
  // A Latin-layout letter in an open menu goes to the item with the Cyrillic access key there.
  bool InMenu(QMenu* menu, const QKeyEvent& key) {
    if (key.modifiers() & ~(Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier)) return false;
    const char16_t letter = CyrillicOfKey(key.key());
    if (letter == 0 || key.text().isEmpty() || key.text().at(0).unicode() == letter) return false;
    if (WithAccessKey(menu->actions(), letter) == nullptr) return false;
    QKeyEvent translated(QEvent::KeyPress, QChar(letter).toUpper().unicode(), key.modifiers(),
                         QString(QChar(letter)));
    QApplication::sendEvent(menu, &translated);
    return true;
  }

  bool Pressed(const QKeyEvent& key) {
    const bool alt_only = key.modifiers() == Qt::AltModifier;
    alt_alone_ = key.key() == Qt::Key_Alt && (alt_only || key.modifiers() == Qt::NoModifier);
    if (key.key() == Qt::Key_F10 && key.modifiers() == Qt::NoModifier) return Open(FirstMenu());
    if (!alt_only) return false;
    const char16_t letter = CyrillicOfKey(key.key());
    return letter != 0 && Open(WithAccessKey(bar_->actions(), letter));
  }

  bool Released(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Alt || !alt_alone_) return false;
    alt_alone_ = false;
    return Open(FirstMenu());
  }

  QAction* FirstMenu() const {
    for (QAction* action : bar_->actions())
      if (action->isVisible() && action->isEnabled() && action->menu() != nullptr) return action;
    return nullptr;
  }

  bool Open(QAction* action) {
    if (action == nullptr || !action->isEnabled()) return false;
    bar_->setActiveAction(action);
    return true;
  }

  QMenuBar* bar_;
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

void InstallMenuKeys(QMenuBar* bar) {
  qApp->installEventFilter(new MenuKeys(bar));
}

}  // namespace zirt
