#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>

#include <utility>

#include "app/window_texts.h"
#include "platform/edit_box_model.h"
#include "platform/list_view_model.h"
#include "platform/qt_text.h"
#include "platform/report_list_view.h"
#include "platform/services.h"
#include "text/text.h"

namespace velmora {

namespace {

using platform::MessageBoxService;
using platform::ToQString;
namespace texts = window_texts;

// A typed character 编辑框4 keeps: the count is a whole, possibly negative,
// number.
bool IsCountCharacter(QChar c) { return c == u'-' || (c >= u'0' && c <= u'9'); }

// The typed text without the printable characters 编辑框4 refuses. Control
// characters (Backspace, Ctrl+A, ...) are editing, not typing, and pass.
QString KeepCountCharacters(const QString& typed) {
  QString kept;
  for (QChar c : typed) {
    if (!c.isPrint() || IsCountCharacter(c)) kept.append(c);
  }
  return kept;
}

}  // namespace

void EndApplicationLoop() {
  // Queued so that a Destroy made before the event loop runs (the update
  // check at first activation) still ends it.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(app, [] { QCoreApplication::exit(0); },
                              Qt::QueuedConnection);
  }
}

MainWindow::SharedWithCycles::SharedWithCycles(platform::CriticalSection& lock,
                                               std::string clockUrl,
                                               std::filesystem::path runDirectory)
    : environment{state.Controls(), lock, std::move(clockUrl), std::move(runDirectory)} {}

MainWindow::MainWindow(WindowDependencies dependencies, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      dependencies_(std::move(dependencies)),
      shared_(std::make_shared<SharedWithCycles>(
          dependencies_.listLock, dependencies_.clockUrl,
          dependencies_.runDirectory.empty() ? platform::RunDirectoryPath()
                                             : dependencies_.runDirectory)),
      timer1_([this] { OnTimer1Tick(); }),
      timer2_([this] { OnTimer2Tick(); }) {
  setWindowTitle(ToQString(texts::kCaption));
  setFont(platform::ProgramFont());
  BuildControls();

  // Centred from the design size; OnWindowCreated then narrows the window
  // and leaves its left edge where it is.
  resize(kDesignWidth, kClientHeight);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry()
                                       : QRect(0, 0, kDesignWidth, kDesignHeight);
  move(area.x() + (area.width() - kDesignWidth) / 2,
       area.y() + (area.height() - kDesignHeight) / 2);

  OnWindowCreated();
}

MainWindow::~MainWindow() {
  // A window dropped without Destroy (a test's scope ending) must not leave
  // timers starting cycles on a dead window.
  StopBothTimers();
}

void MainWindow::BuildControls() {
  MonitorState& state = shared_->state;

  按钮1_ = new QPushButton(ToQString(texts::kStart), this);
  按钮1_->setObjectName(QStringLiteral("按钮1"));
  按钮1_->setGeometry(8, 8, 60, 32);
  按钮2_ = new QPushButton(ToQString(texts::kStop), this);
  按钮2_->setObjectName(QStringLiteral("按钮2"));
  按钮2_->setGeometry(74, 8, 60, 32);

  // Siblings with auto-exclusive radio buttons form one group.
  单选框1_ = new QRadioButton(ToQString(texts::kAutoStock), this);
  单选框1_->setObjectName(QStringLiteral("单选框1"));
  单选框1_->setGeometry(141, 8, 80, 20);
  单选框1_->setChecked(true);
  单选框2_ = new QRadioButton(ToQString(texts::kManualStock), this);
  单选框2_->setObjectName(QStringLiteral("单选框2"));
  单选框2_->setGeometry(141, 24, 80, 20);

  编辑框4_ = new QLineEdit(this);
  编辑框4_->setObjectName(QStringLiteral("编辑框4"));
  编辑框4_->setGeometry(215, 17, 96, 24);
  编辑框4_->hide();
  编辑框4_->installEventFilter(this);

  编辑框2_ = new QLineEdit(this);
  编辑框2_->setObjectName(QStringLiteral("编辑框2"));
  编辑框2_->setGeometry(312, 17, 56, 24);
  编辑框2_->setReadOnly(true);

  编辑框3_ = new QLineEdit(ToQString(texts::kDefaultPeriod), this);
  编辑框3_->setObjectName(QStringLiteral("编辑框3"));
  编辑框3_->setGeometry(8, 45, 50, 24);

  编辑框1_ = new QLineEdit(this);
  编辑框1_->setObjectName(QStringLiteral("编辑框1"));
  编辑框1_->setGeometry(69, 45, 299, 24);
  编辑框1_->installEventFilter(this);

  list1Model_ = std::make_unique<platform::ListViewTableModel>(
      state.超级列表框1,
      QStringList{ToQString(texts::kSkuName), ToQString(texts::kSku),
                  ToQString(texts::kStockLeft), ToQString(texts::kSold)});
  超级列表框1_ = new QTableView(this);
  超级列表框1_->setObjectName(QStringLiteral("超级列表框1"));
  超级列表框1_->setGeometry(8, 73, 365, 120);
  platform::SetUpReportListView(*超级列表框1_, *list1Model_, {120, 80, 80, 70});

  list2Model_ = std::make_unique<platform::ListViewTableModel>(
      state.超级列表框2,
      QStringList{ToQString(texts::kTime), ToQString(texts::kSold)});
  超级列表框2_ = new QTableView(this);
  超级列表框2_->setObjectName(QStringLiteral("超级列表框2"));
  超级列表框2_->setGeometry(8, 200, 365, 200);
  platform::SetUpReportListView(*超级列表框2_, *list2Model_, {200, 100});

  edit1Binding_ = std::make_unique<platform::EditBoxBinding>(state.编辑框1, *编辑框1_);
  edit2Binding_ = std::make_unique<platform::EditBoxBinding>(state.编辑框2, *编辑框2_);
  edit4Binding_ = std::make_unique<platform::EditBoxBinding>(state.编辑框4, *编辑框4_);

  connect(按钮1_, &QPushButton::clicked, this, [this] { OnStartClicked(); });
  connect(按钮2_, &QPushButton::clicked, this, [this] { OnStopClicked(); });
  connect(单选框1_, &QRadioButton::clicked, this, [this] { OnAutoModeClicked(); });
  connect(单选框2_, &QRadioButton::clicked, this, [this] { OnManualModeClicked(); });
}

// ---- Handlers ---------------------------------------------------------------

void MainWindow::OnWindowCreated() {
  dependencies_.listLock.Create();
  setFixedSize(kClientWidth, kClientHeight);
  platform::ApplySkin(1);
}

void MainWindow::OnFirstActivated() {
  dependencies_.checkForUpdate(UpdateEnvironment{
      dependencies_.messageBox, [this] { Destroy(); }, shared_->environment.runDirectory});
}

bool MainWindow::OnCloseRequested() {
  const int answer = dependencies_.messageBox.Show(texts::kConfirmExit,
                                                   MessageBoxService::kOkCancelButtons);
  if (answer == MessageBoxService::kAnsweredOk) Destroy();
  return false;
}

void MainWindow::OnWindowDestroyed() { dependencies_.listLock.Delete(); }

void MainWindow::OnStartClicked() {
  MonitorState& state = shared_->state;
  const std::int32_t period = TextToInteger(platform::FromQString(编辑框3_->text()));
  if (单选框1_->isChecked()) {
    if (state.编辑框1.GetText().empty()) {
      dependencies_.messageBox.Show(texts::kEnterUrl, MessageBoxService::kOkButton);
      return;
    }
    timer1_.SetPeriod(period);
  } else if (单选框2_->isChecked()) {
    if (state.编辑框1.GetText().empty()) {
      dependencies_.messageBox.Show(texts::kEnterUrl, MessageBoxService::kOkButton);
      return;
    }
    const Text count = state.编辑框4.GetText();
    if (count.empty() || count == MonitorState::kStockPrompt) {
      dependencies_.messageBox.Show(texts::kEnterStockCount,
                                    MessageBoxService::kOkButton);
      return;
    }
    timer2_.SetPeriod(period);
  }
}

void MainWindow::OnStopClicked() {
  StopBothTimers();
  shared_->state.编辑框2.SetText({});
}

void MainWindow::OnAutoModeClicked() {
  编辑框4_->hide();
  shared_->state.编辑框4.SetText(MonitorState::kStockPrompt);
  shared_->state.编辑框2.SetText({});
  StopBothTimers();
}

void MainWindow::OnManualModeClicked() {
  编辑框4_->show();
  shared_->state.编辑框2.SetText({});
  StopBothTimers();
}

void MainWindow::OnUrlBoxPressed() {
  shared_->state.编辑框1.SetText({});
  shared_->state.编辑框2.SetText({});
  StopBothTimers();
}

void MainWindow::OnStockBoxPressed() { shared_->state.编辑框4.SetText({}); }

void MainWindow::OnTimer1Tick() { StartCycle(dependencies_.autoStockCycle); }

void MainWindow::OnTimer2Tick() { StartCycle(dependencies_.manualStockCycle); }

// ---- Window life -------------------------------------------------------------

void MainWindow::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  StopBothTimers();
  // hide, not close: Destroy usually runs inside a close event, where a
  // nested close() is ignored.
  hide();
  OnWindowDestroyed();
  if (dependencies_.endApplication) dependencies_.endApplication();
}

void MainWindow::StartCycle(const CycleRoutine& routine) {
  if (destroyed_ || !routine) return;
  // A cycle holds the lock for a whole download, so with one cycle working
  // and one waiting, a further thread could only queue behind them: skip it.
  std::atomic<int>& inFlight = shared_->cyclesInFlight;
  if (inFlight.fetch_add(1) >= kMaxCyclesInFlight) {
    inFlight.fetch_sub(1);
    return;
  }
  std::shared_ptr<SharedWithCycles> shared = shared_;
  const bool started = platform::StartThread([shared, routine] {
    routine(shared->environment);
    shared->cyclesInFlight.fetch_sub(1);
  });
  if (!started) inFlight.fetch_sub(1);
}

void MainWindow::StopBothTimers() {
  timer1_.SetPeriod(0);
  timer2_.SetPeriod(0);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !firstActivationSeen_) {
    firstActivationSeen_ = true;
    const bool handled = QWidget::event(event);
    OnFirstActivated();
    return handled;
  }
  return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  // The OK path destroys the window itself; the default close never runs.
  event->ignore();
  if (closeQuestionOpen_) return;
  closeQuestionOpen_ = true;
  OnCloseRequested();
  closeQuestionOpen_ = false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool isLeftPress =
      event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  if (watched == 编辑框1_ && isLeftPress) {
    OnUrlBoxPressed();
    return false;  // the box still places the caret as usual
  }
  if (watched == 编辑框4_) {
    if (isLeftPress) {
      OnStockBoxPressed();
      return false;
    }
    return FilterStockBoxInput(event);
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::FilterStockBoxInput(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // A key that types a refused character is dropped whole.
    return !key->text().isEmpty() && KeepCountCharacters(key->text()) != key->text();
  }
  if (event->type() == QEvent::InputMethod) {
    auto* input = static_cast<QInputMethodEvent*>(event);
    const QString kept = KeepCountCharacters(input->commitString());
    if (kept == input->commitString()) return false;
    // Characters composed by an input method are typed too: commit only the
    // ones the box accepts.
    input->setCommitString(kept, input->replacementStart(), input->replacementLength());
    return false;
  }
  return false;
}

}  // namespace velmora
