#include "app/TessalyWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>
#include <cmath>

#include "app/AppTexts.h"
#include "app/Session.h"
#include "picks/PicksCommands.h"
#include "app/SpectrumCommand.h"
#include "app/ToolWindowPlacing.h"
#include "display/DisplaySurface.h"
#include "picks/core/PickTable.h"
#include "generation/NmoDialog.h"
#include "help/AboutWindow.h"
#include "help/HelpViewer.h"
#include "jobs/core/EditVelf.h"
#include "jobs/core/JobLink.h"
#include "open/FileInfoWindow.h"
#include "open/OpenCommand.h"
#include "output/PictureOutput.h"
#include "picks/VelocityFunctionWindow.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "qt/HelpContext.h"
#include "qt/ImageCanvas.h"
#include "qt/WrappingLabel.h"
#include "qt/QtUi.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/Settings.h"
#include "shared/Texts.h"

namespace tsly {

namespace {

// Placement limits applied to what the settings file asks for: a window
// between 100 and 20000 pixels in each direction, placed within +-100000 pixels.
constexpr int MinWindowPixels = 100;
constexpr int MaxWindowPixels = 20000;
constexpr int MaxWindowOffset = 100000;

// The status label's row: the height of the buttons beside it, and a few pixels
// kept free at the window's right edge.
constexpr double StatusRowTwips = 372;
constexpr int StatusRightMargin = 4;

// The windows beside the main window: the spectrum as made, and the least
// sizes they are given a place of their own at.
constexpr QSize SpectrumSize{VelocitySpectrumWindow::DefaultWidth, VelocitySpectrumWindow::DefaultHeight};
constexpr QSize SpectrumLeast{640, 360};
constexpr QSize VelocityFunctionLeast{400, 200};

}  // namespace

TessalyWindow::TessalyWindow(AppState& state, Ui& ui, DdeClient& dde, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      ui_(ui),
      dde_(dde),
      waiting_({[this](std::function<void()> action) {
                  return display_ && display_->display().runAfterRedraw(std::move(action));
                },
                [this] { return nmosele_ && nmosele_->running(); }, [this] { return open_->running(); }}) {
  setObjectName(QStringLiteral("tessaly"));
  setWindowTitle(QString::fromLatin1(apptext::WindowTitle));
  link_ = std::make_unique<JobLink>(dde_, ui_);
  open_ = std::make_unique<OpenCommand>(state_, ui_, static_cast<OpenHost&>(*this));
  buildMenus();
  buildControls();
  display_ = std::make_unique<DisplaySurface>(
      state_, ui_,
      DisplayWidgets{this, picture2_, canvas_, hscroll1_, vscroll1_, [this](const QString& text) { showStatus(text); },
                     clearpicks_, action("editvelf")});
  picks_ = std::make_unique<PicksCommands>(state_, ui_, static_cast<PicksHost&>(*this), this, editMenu_);
  spectrum_ = std::make_unique<SpectrumCommand>(state_, ui_, this, editMenu_, *display_);
  spectrum_->placeWindow = [this](QWidget* w) { placeSpectrum(w); };
  endProcess = [] { QCoreApplication::exit(0); };
  help_ = std::make_unique<HelpViewer>(ui_);
  help_->enableF1();
  quitHelp = [this] { help_->quit(); };
}

TessalyWindow::~TessalyWindow() = default;

QAction* TessalyWindow::addItem(QMenu* menu, const char* name, const char* caption,
                                void (TessalyWindow::*slot)()) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(QString::fromLatin1(name));
  connect(a, &QAction::triggered, this, slot);
  return a;
}

void TessalyWindow::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menubar"));

  fileMenu_ = bar->addMenu(QString::fromLatin1(apptext::FilesMenu));
  fileMenu_->setObjectName(QStringLiteral("file"));
  setHelpContext(fileMenu_, 12010);
  addItem(fileMenu_, "fileopen", apptext::OpenItem, &TessalyWindow::fileopen);
  addItem(fileMenu_, "fileinfomenu", apptext::FileInfoItem, &TessalyWindow::fileinfo);
  addItem(fileMenu_, "fileprtsetup", apptext::PrintSetupItem, &TessalyWindow::fileprtsetup);
  addItem(fileMenu_, "fileprint", apptext::PrintItem, &TessalyWindow::fileprint);
  addItem(fileMenu_, "filebmp", apptext::SaveBmpItem, &TessalyWindow::filebmp);
  fileMenu_->addSeparator()->setObjectName(QStringLiteral("filesep"));
  addItem(fileMenu_, "fileexit", apptext::ExitItem, &TessalyWindow::fileexit);

  editMenu_ = bar->addMenu(QString::fromLatin1(apptext::OptionsMenu));
  editMenu_->setObjectName(QStringLiteral("edit"));
  setHelpContext(editMenu_, 12020);
  addItem(editMenu_, "editsele", apptext::ChangeGraphicsItem, &TessalyWindow::editsele);
  addItem(editMenu_, "editnmo", apptext::SetNmoItem, &TessalyWindow::editnmo);
  addItem(editMenu_, "editvelf", apptext::MakeVelfItem, &TessalyWindow::editvelf);

  // "&Help" sits at the right end of the menu bar: a menu bar of its own in the
  // bar's top-right corner.
  auto* helpBar = new QMenuBar(bar);
  helpBar->setObjectName(QStringLiteral("helpbar"));
  helpMenu_ = helpBar->addMenu(QString::fromLatin1(apptext::HelpMenu));
  helpMenu_->setObjectName(QStringLiteral("help"));
  setHelpContext(helpMenu_, 12030);
  addItem(helpMenu_, "helpcontents", apptext::ContentsItem, &TessalyWindow::helpcontents);
  addItem(helpMenu_, "fileabout", apptext::AboutItem, &TessalyWindow::fileabout);
  bar->setCornerWidget(helpBar, Qt::TopRightCorner);
}

void TessalyWindow::buildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);
  // The status label follows the client area's width (eventFilter).
  client->installEventFilter(this);
  const double dx = logicalDpiX(), dy = logicalDpiY();
  auto place = [&](QWidget* w, double l, double t, double wd, double h) {
    w->setGeometry(twipsRect(l, t, wd, h, dx, dy));
  };
  auto button = [&](const char* name, const char* caption, int helpId, void (TessalyWindow::*slot)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption), client);
    b->setObjectName(QString::fromLatin1(name));
    if (helpId) setHelpContext(b, helpId);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };

  prevpanel_ = button("prevpanel", apptext::PrevButton, 12040, &TessalyWindow::prevpanel);
  place(prevpanel_, 0, 0, 612, 372);
  prevpanel_->setEnabled(false);
  nextpanel_ = button("nextpanel", apptext::NextButton, 12040, &TessalyWindow::nextpanel);
  place(nextpanel_, 600, 0, 612, 372);
  nextpanel_->setEnabled(false);
  clearpicks_ = button("clearpicks", apptext::ClearPicksButton, 12050, &TessalyWindow::clearpicks);
  place(clearpicks_, 1200, 0, 1092, 372);
  clearpicks_->setEnabled(false);

  label1_ = new WrappingLabel(QString::fromLatin1(apptext::StatusAtStart), client);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  place(label1_, 2400, 0, 4572, 372);
  // Its font is known for sure only once it is polished: fitted again then.
  label1_->installEventFilter(this);

  refresh_ = button("refresh", apptext::RefreshButton, 0, &TessalyWindow::refresh);
  place(refresh_, 6360, 0, 1212, 372);
  refresh_->setVisible(false);

  vscroll1_ = new QScrollBar(Qt::Vertical, client);
  vscroll1_->setObjectName(QStringLiteral("VScroll1"));
  setHelpContext(vscroll1_, 12070);
  place(vscroll1_, 0, 360, 252, 4332);
  vscroll1_->setRange(0, 0);
  connect(vscroll1_, &QScrollBar::valueChanged, this, &TessalyWindow::vscrollChanged);

  picture2_ = new QWidget(client);
  picture2_->setObjectName(QStringLiteral("Picture2"));
  setHelpContext(picture2_, 12060);
  place(picture2_, 240, 360, 7212, 4332);

  canvas_ = new ImageCanvas(picture2_);
  picture1_ = canvas_;
  setHelpContext(picture1_, 12060);
  picture1_->move(0, 0);
  // The canvas takes the focus (Tab, a click) and scrolls from the keyboard.
  picture1_->setFocusPolicy(Qt::StrongFocus);
  picture1_->installEventFilter(this);

  hscroll1_ = new QScrollBar(Qt::Horizontal, client);
  hscroll1_->setObjectName(QStringLiteral("HScroll1"));
  setHelpContext(hscroll1_, 12070);
  place(hscroll1_, 240, 4680, 7212, 252);
  hscroll1_->setRange(0, 0);
  connect(hscroll1_, &QScrollBar::valueChanged, this, &TessalyWindow::hscrollChanged);

  // Design client area below the menu bar.
  resize(twipsToPixels(MainClientWidthTwips, dx),
         twipsToPixels(MainClientHeightTwips, dy) + menuBar()->sizeHint().height());
}

QAction* TessalyWindow::action(const char* objectName) const {
  return findChild<QAction*>(QString::fromLatin1(objectName));
}

QMenu* TessalyWindow::menu(const char* objectName) const {
  return findChild<QMenu*>(QString::fromLatin1(objectName));
}

FileInfoWindow& TessalyWindow::fileInfoWindow() {
  if (!fileInfo_) fileInfo_ = new FileInfoWindow(this);
  return *fileInfo_;
}

bool TessalyWindow::openRunning() const { return open_ && open_->running(); }

// ---- placement -------------------------------------------------------------

double TessalyWindow::topTwips() const { return pixelsToTwips(y(), logicalDpiY()); }
double TessalyWindow::leftTwips() const { return pixelsToTwips(x(), logicalDpiX()); }
double TessalyWindow::widthTwips() const { return pixelsToTwips(width(), logicalDpiX()); }
double TessalyWindow::heightTwips() const { return pixelsToTwips(height(), logicalDpiY()); }

void TessalyWindow::setPlacementTwips(double top, double left, double width, double height) {
  const double dx = logicalDpiX(), dy = logicalDpiY();
  auto pixels = [](double twips, double dpi) -> std::optional<int> {
    if (!std::isfinite(twips)) return std::nullopt;
    const double px = twips * dpi / TwipsPerInch;
    if (std::fabs(px) > MaxWindowOffset) return std::nullopt;
    return static_cast<int>(nearest(px));
  };
  const auto l = pixels(left, dx), t = pixels(top, dy), w = pixels(width, dx), h = pixels(height, dy);
  if (l && t) move(*l, *t);
  const bool wOk = w && *w >= MinWindowPixels && *w <= MaxWindowPixels;
  const bool hOk = h && *h >= MinWindowPixels && *h <= MaxWindowPixels;
  if (wOk || hOk) resize(wOk ? *w : this->width(), hOk ? *h : this->height());
}

// ---- start-up and shut-down -----------------------------------------------

std::string TessalyWindow::helpPathFor(const std::string& programFolder) {
  return tsly::helpFilePath(programFolder);
}

void TessalyWindow::startup() {
  // No picks to make commands from and no gather to set NMO parameters for yet.
  action("editvelf")->setEnabled(false);
  action("editnmo")->setEnabled(false);

  // Help: the help file in the program's folder.
  std::string folder = programFolder_;
  if (folder.empty()) folder = QCoreApplication::applicationDirPath().toUtf8().toStdString();
  helpFilePath_ = helpPathFor(folder);
  help_->setup(this, folder);

  startSession(state_, ui_, *link_, [this](const SettingsLoad& load) {
    setPlacementTwips(load.formTop.value_or(static_cast<float>(topTwips())),
                      load.formLeft.value_or(static_cast<float>(leftTwips())),
                      load.formWidth.value_or(static_cast<float>(widthTwips())),
                      load.formHeight.value_or(static_cast<float>(heightTwips())));
  });
}

void TessalyWindow::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  FormPlacement form;
  form.Top = static_cast<float>(topTwips());
  form.Left = static_cast<float>(leftTwips());
  form.Width = static_cast<float>(widthTwips());
  form.Height = static_cast<float>(heightTwips());
  if (auto reply = endSession(state_, ui_, *link_, form, dataFilesInUse())) EditorReply1 = *reply;
  if (quitHelp) quitHelp();
  if (endProcess) endProcess();
}

bool TessalyWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (watched == picture1_ && t == QEvent::KeyPress && scrollByKey(static_cast<QKeyEvent*>(event)->key()))
    return true;
  if ((watched == centralWidget() && t == QEvent::Resize) ||
      (watched == label1_ && (t == QEvent::FontChange || t == QEvent::Polish || t == QEvent::StyleChange)))
    fitStatusLabel();
  return QMainWindow::eventFilter(watched, event);
}

void TessalyWindow::closeEvent(QCloseEvent* event) {
  if (!shutDown_ && deferWhileBusy([this] { fileexit(); })) {
    event->ignore();  // the window closes when the queued Exit runs
    return;
  }
  if (!shutDown_ && !picks_->mayDiscard(pickstext::Leaving::Exit)) {
    event->ignore();  // back to the picks
    return;
  }
  shutdown();
  event->accept();
}

bool TessalyWindow::deferWhileBusy(std::function<void()> action) { return waiting_.deferWhileBusy(std::move(action)); }

bool TessalyWindow::waitForOpen(std::function<void()> action) { return waiting_.waitForOpen(std::move(action)); }

void TessalyWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!display_) return;
  // The layout rule places the viewport from its design top; the status line
  // pushes it down again afterwards.
  setStatusInset(0);
  display_->windowResized(widthTwips(), heightTwips());
  fitStatusLabel();
}

// Arrows scroll by the bars' small steps, Page Up and Page Down by their
// large ones, Home to the top-left of the canvas, End to its bottom.
bool TessalyWindow::scrollByKey(int key) {
  switch (key) {
    case Qt::Key_Up: vscroll1_->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
    case Qt::Key_Down: vscroll1_->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
    case Qt::Key_PageUp: vscroll1_->triggerAction(QAbstractSlider::SliderPageStepSub); return true;
    case Qt::Key_PageDown: vscroll1_->triggerAction(QAbstractSlider::SliderPageStepAdd); return true;
    case Qt::Key_Left: hscroll1_->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
    case Qt::Key_Right: hscroll1_->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
    case Qt::Key_Home:
      vscroll1_->triggerAction(QAbstractSlider::SliderToMinimum);
      hscroll1_->triggerAction(QAbstractSlider::SliderToMinimum);
      return true;
    case Qt::Key_End: vscroll1_->triggerAction(QAbstractSlider::SliderToMaximum); return true;
    default: return false;
  }
}

// ---- menu items and buttons -----------------------------------------------

void TessalyWindow::fileopen() {
  if (deferWhileBusy([this] { fileopen(); }) || waitForOpen([this] { fileopen(); })) return;
  if (!picks_->mayDiscard(pickstext::Leaving::Open)) return;
  open_->run();
  waiting_.openEnded([this] { return shutDown_; });
}

void TessalyWindow::openFile(const std::string& path) {
  if (deferWhileBusy([this, path] { openFile(path); }) || waitForOpen([this, path] { openFile(path); })) return;
  if (!picks_->mayDiscard(pickstext::Leaving::Open)) return;
  open_->openFile(path);
  waiting_.openEnded([this] { return shutDown_; });
}

void TessalyWindow::fileinfo() { open_->showFileInfo(); }

void TessalyWindow::fileexit() {
  if (deferWhileBusy([this] { fileexit(); })) return;
  if (!shutDown_ && !picks_->mayDiscard(pickstext::Leaving::Exit)) return;
  shutdown();
}

output::PictureOutput& TessalyWindow::pictureOutput() {
  if (!output_) {
    output::PictureOutputOptions o;
    o.state = &state_;
    o.status = [this](const QString& text) { showStatus(text); };
    o.dataFiles = [this] { return dataFilesInUse(); };
    output_ = std::make_unique<output::PictureOutput>(
        ui_, this,
        [this](const std::string& name, std::int16_t& mode) {
          return ConfirmTargetFile(ui_, state_, name, mode);
        },
        nullptr, o);
  }
  return *output_;
}

void TessalyWindow::fileprtsetup() { pictureOutput().printSetup(); }

void TessalyWindow::fileprint() {
  // The picture on the canvas is printed whatever the graphics-save flag says.
  auto* canvas = qobject_cast<ImageCanvas*>(picture1_);
  pictureOutput().print(canvas ? canvas->image() : QImage());
}

void TessalyWindow::filebmp() {
  auto* canvas = qobject_cast<ImageCanvas*>(picture1_);
  const QImage* image = canvas && canvas->persistent() ? &canvas->image() : nullptr;
  // Before any use the shared dialog holds the name of the open file.
  if (fileDialog_.fileName.empty()) fileDialog_.fileName = state_.DataFileName;
  pictureOutput().saveBmp(image, fileDialog_.fileName);
}
void TessalyWindow::editsele() { display_->changeGraphics(); }
// "Set NMO Parameters": the dialog is made on first use (its starting values come
// from the file open now) and kept, hidden, between uses.
void TessalyWindow::editnmo() {
  if (nmosele_ == nullptr) {
    nmosele_ = new NmoDialog(state_, ui_, this);
    // The dialog's own handler of "Generate Panels" runs first and returns when
    // the run is over; then what waited for the run goes on.
    connect(nmosele_->processButton(), &QPushButton::clicked, this, [this] { waiting_.generationEnded(); });
  }
  nmosele_->showDialog();
}
void TessalyWindow::editvelf() {
  VelfCommandContext ctx{state_, ui_, *link_,
                         [this](std::int32_t c) { return checkduppicks(state_, ui_, c); },
                         fileDialog_.fileName};
  try {
    // A deck that reached the editor whole (no line lost on the way) holds
    // every pick: they count as sent.
    const int lostBefore = link_->lostExchanges();
    if (tsly::editvelf(ctx) == VelfOutcome::Completed && link_->lostExchanges() == lostBefore) picks_->deckSent();
  } catch (const std::exception& e) {
    state_.MessageText = unexpectedErrorMessage(e.what());
    ui_.message(state_.MessageText, TessalyErrorTitle, Buttons::Ok, Icon::None);
  }
}

void TessalyWindow::helpcontents() { help_->helpcontents(); }

void TessalyWindow::fileabout() { tsly::fileabout(ui_, this); }
void TessalyWindow::prevpanel() { display_->display().prevPanel(); }
void TessalyWindow::nextpanel() { display_->display().nextPanel(); }
void TessalyWindow::clearpicks() { display_->display().clearPicks(); }
void TessalyWindow::refresh() { display_->display().refresh(); }

// ---- what Open asks of the window ----------------------------------------

void TessalyWindow::setStatusText(const std::string& text) { showStatus(QString::fromStdString(text)); }

void TessalyWindow::showStatus(const QString& text) {
  label1_->setText(text);
  fitStatusLabel();
}

void TessalyWindow::fitStatusLabel() {
  QWidget* client = centralWidget();
  if (!client || !label1_) return;
  const int rowHeight = twipsToPixels(StatusRowTwips, logicalDpiY());
  const int width = std::max(1, client->width() - label1_->x() - StatusRightMargin);
  const int height = std::max(rowHeight, label1_->heightForWidth(width));
  label1_->setGeometry(label1_->x(), label1_->y(), width, height);
  label1_->raise();
  // A message of more than one line reaches below the button row: the
  // viewport (with the labels at the top of the canvas) and VScroll1 move down
  // by what it takes beyond the row, their bottom edge staying.
  setStatusInset(height - rowHeight);
}

void TessalyWindow::setStatusInset(int pixels) {
  const int delta = pixels - statusInset_;
  if (delta == 0 || !picture2_ || !vscroll1_) return;
  for (QWidget* w : {picture2_, static_cast<QWidget*>(vscroll1_)}) {
    QRect g = w->geometry();
    g.setTop(std::min(g.top() + delta, g.bottom()));
    w->setGeometry(g);
  }
  statusInset_ = pixels;
  if (display_) display_->updateScrollBars();
}

void TessalyWindow::setControlEnabled(OpenControl control, bool on) {
  switch (control) {
    case OpenControl::ChangeGraphics: action("editsele")->setEnabled(on); break;
    case OpenControl::SetNmoParameters: action("editnmo")->setEnabled(on); break;
    case OpenControl::MakeVelfCommands: action("editvelf")->setEnabled(on); break;
    case OpenControl::ClearPicks: clearpicks_->setEnabled(on); break;
    case OpenControl::PrevNext:
      prevpanel_->setEnabled(on);
      nextpanel_->setEnabled(on);
      // On only when a panel file has been opened (a fresh pick table), off for
      // a gather: the picks commands and the spectrum go with the navigation.
      picks_->setPanelData(on);
      spectrum_->setAvailable(on);
      break;
  }
}

// The buttons, the canvas and "&Options" wait; the rest of the menus (File Info,
// Exit, Help) stays available. Each gets its own state back afterwards.
void TessalyWindow::holdInput(bool held) {
  QWidget* controls = centralWidget();
  QAction* options = editMenu_->menuAction();
  if (held && !inputHeld_) {
    controlsWereEnabled_ = controls->isEnabled();
    optionsWereEnabled_ = options->isEnabled();
    controls->setEnabled(false);
    options->setEnabled(false);
  } else if (!held && inputHeld_) {
    controls->setEnabled(controlsWereEnabled_);
    options->setEnabled(optionsWereEnabled_);
  }
  inputHeld_ = held;
}

void TessalyWindow::showNmoParameters() { editnmo(); }

void TessalyWindow::redraw() { refresh(); }

void TessalyWindow::updateScrollBars() { display_->updateScrollBars(); }

void TessalyWindow::sendLastPath(const std::string& path) { link_->linkcommand("lastpath", path, "", ""); }

bool TessalyWindow::shuttingDown() const { return shutDown_; }

std::string& TessalyWindow::dialogFileName() { return fileDialog_.fileName; }

std::vector<NamedFile> TessalyWindow::dataFilesInUse() {
  std::vector<NamedFile> files{{state_.DataFileName, "the data file open in Tessaly"}};
  if (picks_) files.push_back({picks_->dataFile(), "the panel file the picks belong to"});
  if (spectrum_) {
    files.push_back({spectrum_->gathers().remembered(state_.DataFileName), "the gather of the velocity spectrum"});
    if (picks_ && picks_->dataFile() != state_.DataFileName)
      files.push_back({spectrum_->gathers().remembered(picks_->dataFile()), "the gather of the velocity spectrum"});
  }
  return files;
}

bool TessalyWindow::runAfterRedraw(std::function<void()> action) {
  return display_->display().runAfterRedraw(std::move(action));
}

void TessalyWindow::redrawPicks() { display_->display().refresh(); }

void TessalyWindow::addPicksListener(std::function<void()> listener) {
  display_->addChangeListener([listener = std::move(listener)](DisplayChange) { listener(); });
}

void TessalyWindow::picksStored() { action("editvelf")->setEnabled(true); }

// ---- where the velocity spectrum and the velocity function first open -----
//
// Beside the main window, clear of each other: the spectrum (the larger) is
// placed first, so the velocity function opened before it keeps clear of the
// place the spectrum will take.

// Below the menus, the buttons and the status line (which reach a little into
// the viewport's top by design).
int TessalyWindow::controlsBottom() const {
  int y = picture2_->mapToGlobal(QPoint(0, 0)).y();
  for (const QWidget* c : {static_cast<QWidget*>(prevpanel_), static_cast<QWidget*>(nextpanel_),
                           static_cast<QWidget*>(clearpicks_), static_cast<QWidget*>(label1_)})
    y = std::max(y, c->mapToGlobal(QPoint(0, c->height())).y());
  return y;
}

void TessalyWindow::placeBeside(QWidget* velocityFunction) {
  const ToolWindowPlacing placing(this, controlsBottom());
  std::vector<PlaceRect> taken;
  if (QWidget* sp = spectrum_->window())
    taken.push_back(placing.frameOf(sp));
  else
    taken.push_back(placing.slotFor(SpectrumSize, SpectrumLeast, {}));
  placing.place(velocityFunction, VelocityFunctionLeast, taken);
}

void TessalyWindow::placeSpectrum(QWidget* spectrum) {
  const ToolWindowPlacing placing(this, controlsBottom());
  std::vector<PlaceRect> taken;
  if (QWidget* vf = picks_->velocityFunctionWindow()) taken.push_back(placing.frameOf(vf));
  placing.place(spectrum, SpectrumLeast, taken);
}

void TessalyWindow::hscrollChanged(int value) { display_->horizontalScrolled(value); }

void TessalyWindow::vscrollChanged(int value) { display_->verticalScrolled(value); }

}  // namespace tsly
