// The one window: its controls, its two timers and its event handlers.
//
// Widgets are touched on the GUI thread only. The state the poll cycles use
// lives in a MonitorState shared with every running cycle, so a cycle still
// running after the window is gone works on live memory, never on a widget.
#pragma once

#include <QWidget>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/monitor_controls.h"
#include "app/poll_cycles.h"
#include "app/update_check.h"
#include "platform/critical_section.h"
#include "platform/message_box.h"
#include "platform/timer.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace velmora {

namespace platform {
class EditBoxBinding;
class ListViewTableModel;
}  // namespace platform

// Asks the application's event loop to end with code 0 as soon as it runs.
void EndApplicationLoop();

// What the window takes from outside; tests pass fakes for the routines.
struct WindowDependencies {
  platform::MessageBoxService& messageBox;
  // Created by OnWindowCreated, deleted by OnWindowDestroyed.
  platform::CriticalSection& listLock;
  CycleRoutine autoStockCycle = RunAutoStockCycle;
  CycleRoutine manualStockCycle = RunManualStockCycle;
  std::function<void(const UpdateEnvironment&)> checkForUpdate = CheckForUpdate;
  std::string clockUrl = kNetworkClockUrl;
  // Empty: the directory of the executable.
  std::filesystem::path runDirectory = {};
  // Runs once the window is destroyed; by default ends the application's
  // event loop with code 0, also when called before the loop started.
  std::function<void()> endApplication = EndApplicationLoop;
};

class MainWindow : public QWidget {
 public:
  // Size of the design, from which the start position is centred.
  static constexpr int kDesignWidth = 487;
  static constexpr int kDesignHeight = 435;
  // Client size once created.
  static constexpr int kClientWidth = 383;
  static constexpr int kClientHeight = 407;
  // Cycle threads alive at once: one working, one waiting for the lock.
  static constexpr int kMaxCyclesInFlight = 2;

  // Builds the controls, places the window and runs OnWindowCreated.
  explicit MainWindow(WindowDependencies dependencies, QWidget* parent = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- Handlers, one per event of the window; none ever takes the lock ----
  // Creates the list lock, narrows the window to its client width, applies
  // the skin. Run by the constructor.
  void OnWindowCreated();
  // Runs the update check, which may destroy the window.
  void OnFirstActivated();
  // Asks "是否退出"; destroys the window on OK. Always false: the default
  // close never proceeds.
  bool OnCloseRequested();
  // Deletes the list lock; cycles still running go on without it.
  void OnWindowDestroyed();
  // 按钮1: "输入网址" / "输入库存数量" when an input is missing, else sets
  // the mode's timer to the period in 编辑框3 (0 or less stops it).
  void OnStartClicked();
  // 按钮2: stops both timers and empties 编辑框2.
  void OnStopClicked();
  // 单选框1: hides 编辑框4 with its prompt restored, empties 编辑框2, stops.
  void OnAutoModeClicked();
  // 单选框2: shows 编辑框4 as it is, empties 编辑框2, stops.
  void OnManualModeClicked();
  // Left press in 编辑框1: empties 编辑框1 and 编辑框2, stops; the press then
  // places the caret as usual.
  void OnUrlBoxPressed();
  // Left press in 编辑框4: empties it; polling goes on.
  void OnStockBoxPressed();
  // 时钟1 / 时钟2: start one detached cycle thread, unless two cycles are
  // already in flight (one working, one waiting for the lock).
  void OnTimer1Tick();
  void OnTimer2Tick();

  // Closes the window for good without asking, runs OnWindowDestroyed and
  // ends the application's event loop. Later calls do nothing.
  void Destroy();
  [[nodiscard]] bool IsDestroyed() const { return destroyed_; }

  // The state the cycles share with the window.
  [[nodiscard]] MonitorControls Controls() { return shared_->state.Controls(); }
  [[nodiscard]] platform::Timer& 时钟1() { return timer1_; }
  [[nodiscard]] platform::Timer& 时钟2() { return timer2_; }
  // Cycle threads started and not yet finished.
  [[nodiscard]] int CyclesInFlight() const { return shared_->cyclesInFlight.load(); }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lives as long as the window or the last cycle that uses it.
  struct SharedWithCycles {
    SharedWithCycles(platform::CriticalSection& lock, std::string clockUrl,
                     std::filesystem::path runDirectory);
    MonitorState state;
    CycleEnvironment environment;
    std::atomic<int> cyclesInFlight{0};
  };

  void BuildControls();
  void StartCycle(const CycleRoutine& routine);
  void StopBothTimers();
  bool FilterStockBoxInput(QEvent* event);

  WindowDependencies dependencies_;
  std::shared_ptr<SharedWithCycles> shared_;
  bool firstActivationSeen_ = false;
  bool closeQuestionOpen_ = false;
  bool destroyed_ = false;

  platform::Timer timer1_;
  platform::Timer timer2_;

  // Widgets: children of the window, deleted with it.
  QPushButton* 按钮1_ = nullptr;
  QPushButton* 按钮2_ = nullptr;
  QRadioButton* 单选框1_ = nullptr;
  QRadioButton* 单选框2_ = nullptr;
  QLineEdit* 编辑框1_ = nullptr;
  QLineEdit* 编辑框2_ = nullptr;
  QLineEdit* 编辑框3_ = nullptr;
  QLineEdit* 编辑框4_ = nullptr;
  QTableView* 超级列表框1_ = nullptr;
  QTableView* 超级列表框2_ = nullptr;

  // Declared after shared_ so they go first: they detach from the state.
  std::unique_ptr<platform::ListViewTableModel> list1Model_;
  std::unique_ptr<platform::ListViewTableModel> list2Model_;
  std::unique_ptr<platform::EditBoxBinding> edit1Binding_;
  std::unique_ptr<platform::EditBoxBinding> edit2Binding_;
  std::unique_ptr<platform::EditBoxBinding> edit4Binding_;
};

}  // namespace velmora
