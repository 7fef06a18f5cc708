#include "qt/HelpContext.h"

#include <QObject>
#include <QVariant>

namespace tsly {

void setHelpContext(QObject* control, int contextId) {
  if (control) control->setProperty(HelpContextProperty, contextId);
}

int helpContextOf(const QObject* control) {
  for (const QObject* o = control; o; o = o->parent()) {
    const QVariant v = o->property(HelpContextProperty);
    if (v.isValid()) {
      bool ok = false;
      const int id = v.toInt(&ok);
      if (ok && id > 0) return id;
    }
  }
  return 0;
}

}  // namespace tsly
