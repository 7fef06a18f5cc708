// The help topic of a control (its help context number): one dynamic property
// that every window sets through setHelpContext() and the help viewer reads
// through helpContextOf(), so that F1 finds the topic in every window alike.
#pragma once

class QObject;

namespace tsly {

inline constexpr const char* HelpContextProperty = "helpContextId";

// Gives a control (widget or menu) its help topic number.
void setHelpContext(QObject* control, int contextId);

// The topic of a control: its own number, else the nearest parent's; 0 when
// none carries one (F1 then opens the contents).
int helpContextOf(const QObject* control);

}  // namespace tsly
