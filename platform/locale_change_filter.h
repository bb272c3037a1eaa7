// Keeps DecimalSeparator() in step with the user's regional settings while the program runs.
#pragma once

#include <QObject>

namespace zirt {

// Install on the application object: re-reads the regional settings whenever Qt reports a
// locale change. Reports reach every widget, so the re-read may run several times; it is
// cheap and idempotent.
class LocaleChangeFilter : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace zirt
