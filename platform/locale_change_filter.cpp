#include "platform/locale_change_filter.h"

#include <QEvent>

#include "platform/regional_settings.h"

namespace zirt {

bool LocaleChangeFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::LocaleChange) ApplyRegionalSettings();
  return QObject::eventFilter(watched, event);
}

}  // namespace zirt
