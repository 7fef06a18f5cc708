#include "qt/QtUi.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "shared/Numbers.h"

namespace tsly {

namespace {

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }

// Message texts separate their lines with CR LF; Qt labels break at LF alone.
QString displayText(const std::string& s) {
  QString t = fromUtf8(s);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QChar('\r'), QChar('\n'));
  return t;
}

QString effectiveTitle(const std::string& title) {
  return title.empty() ? QString::fromLatin1(AppTitle) : fromUtf8(title);
}

struct ButtonSpec {
  QMessageBox::StandardButton button;
  Answer answer;
};

std::vector<ButtonSpec> buttonsOf(Buttons b) {
  switch (b) {
    case Buttons::Ok: return {{QMessageBox::Ok, Answer::Ok}};
    case Buttons::OkCancel: return {{QMessageBox::Ok, Answer::Ok}, {QMessageBox::Cancel, Answer::Cancel}};
    case Buttons::AbortRetryIgnore:
      return {{QMessageBox::Abort, Answer::Abort}, {QMessageBox::Retry, Answer::Retry}, {QMessageBox::Ignore, Answer::Ignore}};
    case Buttons::YesNoCancel:
      return {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}, {QMessageBox::Cancel, Answer::Cancel}};
    case Buttons::YesNo: return {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}};
    case Buttons::RetryCancel: return {{QMessageBox::Retry, Answer::Retry}, {QMessageBox::Cancel, Answer::Cancel}};
  }
  return {{QMessageBox::Ok, Answer::Ok}};
}

QMessageBox::Icon iconOf(Icon i) {
  switch (i) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

// The answer a box gives when it is closed without a button (Escape, the
// window's close box): Cancel where there is one, else the only or last button.
Answer closeAnswer(Buttons b) {
  switch (b) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
    case Buttons::RetryCancel: return Answer::Cancel;
    case Buttons::AbortRetryIgnore: return Answer::Ignore;
    case Buttons::YesNo: return Answer::No;
  }
  return Answer::Ok;
}

}  // namespace

QtUi::QtUi(QWidget* parent) : parent_(parent) {}

void QtUi::setParentWidget(QWidget* parent) { parent_ = parent; }

QWidget* QtUi::parentWidget() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (parent_) return parent_.data();
  return QApplication::activeWindow();
}

Answer QtUi::message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) {
  QMessageBox box(parentWidget());
  box.setWindowTitle(effectiveTitle(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(displayText(text));
  box.setIcon(iconOf(icon));
  const auto specs = buttonsOf(buttons);
  QMessageBox::StandardButtons set;
  for (const auto& s : specs) set |= s.button;
  box.setStandardButtons(set);
  box.setDefaultButton(specs.front().button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& s : specs)
    if (clicked && clicked == box.button(s.button)) return s.answer;
  return closeAnswer(buttons);
}

std::optional<std::string> QtUi::input(const std::string& prompt, const std::string& title,
                                       const std::string& defaultText) {
  QInputDialog dlg(parentWidget());
  dlg.setWindowTitle(effectiveTitle(title));
  dlg.setLabelText(displayText(prompt));
  dlg.setInputMode(QInputDialog::TextInput);
  dlg.setTextValue(fromUtf8(defaultText));
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return toUtf8(dlg.textValue());
}

QStringList QtUi::qtFilters(const std::string& filter) {
  QStringList parts = fromUtf8(filter).split(QChar('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    QStringList patterns = parts[i + 1].split(QChar(';'), Qt::SkipEmptyParts);
    for (auto& p : patterns) p = p.trimmed();
    // "*.*" means every file, also one without a dot in its name.
    if (patterns.contains(QStringLiteral("*.*")) && !patterns.contains(QStringLiteral("*")))
      patterns << QStringLiteral("*");
    // Qt reads the patterns from the brackets that end the filter text; keep the
    // name as the user knows it and put the patterns in such brackets.
    const QString joined = patterns.join(QChar(' '));
    QString shown = name;
    if (shown.endsWith(QChar(')'))) {
      const qsizetype open = shown.lastIndexOf(QChar('('));
      const QString inside = open >= 0 ? shown.mid(open + 1, shown.size() - open - 2) : QString();
      if (inside == joined) {
        out << shown;
        continue;
      }
      if (open >= 0) shown = shown.left(open).trimmed();
    }
    out << shown + QStringLiteral(" (") + joined + QChar(')');
  }
  if (out.isEmpty()) out << QStringLiteral("All files (*)");
  return out;
}

QString QtUi::filterExtension(const QString& qtFilter) {
  const qsizetype open = qtFilter.lastIndexOf(QChar('('));
  const qsizetype close = qtFilter.lastIndexOf(QChar(')'));
  if (open < 0 || close < open) return {};
  const QString first = qtFilter.mid(open + 1, close - open - 1).split(QChar(' '), Qt::SkipEmptyParts).value(0);
  if (!first.startsWith(QStringLiteral("*."))) return {};
  const QString ext = first.mid(2);
  for (QChar c : ext)
    if (!c.isLetterOrNumber()) return {};
  return ext;
}

FileDialogResult QtUi::runFileDialog(const FileDialogRequest& r, bool save) {
  FileDialogResult result;
  // What the common dialogs refuse before showing themselves.
  if (r.fileName.find('\0') != std::string::npos || r.fileName.size() > 4096 ||
      r.initialDir.find('\0') != std::string::npos) {
    result.status = FileDialogResult::Status::Failed;
    result.error = "Invalid file name";
    return result;
  }
  QFileDialog dlg(parentWidget(), effectiveTitle(r.title));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save || !r.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save && !r.overwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = qtFilters(r.filter);
  dlg.setNameFilters(filters);
  const int idx = r.filterIndex >= 1 && r.filterIndex <= filters.size() ? r.filterIndex - 1 : 0;
  dlg.selectNameFilter(filters[idx]);
  if (!r.defaultExt.empty()) {
    dlg.setDefaultSuffix(fromUtf8(r.defaultExt));
    // A save dialog offering several formats: a name typed without an extension
    // takes that of the filter chosen (as the dialog already swaps a typed one).
    if (save && filters.size() > 1) {
      const QString fallback = fromUtf8(r.defaultExt);
      QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, fallback](const QString& filter) {
        const QString ext = filterExtension(filter);
        dlg.setDefaultSuffix(ext.isEmpty() ? fallback : ext);
      });
    }
  }
  QString dir = fromUtf8(r.initialDir);
  if (!dir.isEmpty() && QFileInfo(dir).isDir()) dlg.setDirectory(dir);
  if (!r.fileName.empty()) dlg.selectFile(fromUtf8(r.fileName));
  if (dlg.exec() != QDialog::Accepted) {
    result.status = FileDialogResult::Status::Cancelled;
    return result;
  }
  const QStringList chosen = dlg.selectedFiles();
  if (chosen.isEmpty()) {
    result.status = FileDialogResult::Status::Cancelled;
    return result;
  }
  result.status = FileDialogResult::Status::Chosen;
  result.path = toUtf8(QDir::cleanPath(chosen.front()));
  result.filterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
  return result;
}

FileDialogResult QtUi::openFileDialog(const FileDialogRequest& request) { return runFileDialog(request, false); }
FileDialogResult QtUi::saveFileDialog(const FileDialogRequest& request) { return runFileDialog(request, true); }

void QtUi::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtUi::setBusyCursor(bool busy) {
  // Setting the pointer shape, not stacking it: two "busy" calls need one "normal".
  if (busy && busyDepth_ == 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busyDepth_ = 1;
  } else if (!busy && busyDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    busyDepth_ = 0;
  }
}

void QtUi::beep() { QApplication::beep(); }

QRect twipsRect(double left, double top, double width, double height, double dpiX, double dpiY) {
  return QRect(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY), twipsToPixels(width, dpiX),
               twipsToPixels(height, dpiY));
}

void bringToFront(QWidget* window) {
  if (!window) return;
  window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace tsly
