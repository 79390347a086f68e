// The text of an edit box as state that any thread may read and write.
//
// Poll cycles run on worker threads and must never wait for the GUI thread,
// which may itself be inside a modal box. So the text lives here, guarded by
// a mutex held only for a copy, and the QLineEdit merely shows it: a change
// made on another thread reaches the widget through a queued call, a change
// made on the GUI thread at once. The model is the truth; the widget follows.
#pragma once

#include <QObject>

#include <functional>
#include <mutex>

#include "text/text.h"

class QLineEdit;
class QThread;

namespace velmora::platform {

class EditBoxModel {
 public:
  explicit EditBoxModel(Text initialText = {});
  EditBoxModel(const EditBoxModel&) = delete;
  EditBoxModel& operator=(const EditBoxModel&) = delete;

  // The whole current text (GBK), as one complete read.
  [[nodiscard]] Text GetText() const;
  // Replaces the text as one complete write; the attached view catches up
  // without the caller waiting for it.
  void SetText(Text text);

 private:
  friend class EditBoxBinding;

  // Refresh runs on the view's thread; only EditBoxBinding attaches.
  void AttachView(QObject* context, std::function<void()> refresh);
  void DetachView();
  // Sets the text from the view itself, which already shows it.
  void SetTextFromView(Text text);
  void RunPendingRefresh();

  mutable std::mutex mutex_;
  Text text_;
  QObject* viewContext_ = nullptr;
  QThread* viewThread_ = nullptr;
  std::function<void()> refresh_;
  bool refreshQueued_ = false;
};

// Shows `model` in `edit` and feeds the user's edits back into it, for the
// binding's lifetime. Parented to the line edit; create and destroy it on the
// GUI thread. Text set by the program through the model is never filtered.
class EditBoxBinding : public QObject {
 public:
  EditBoxBinding(EditBoxModel& model, QLineEdit& edit);
  ~EditBoxBinding() override;
  EditBoxBinding(const EditBoxBinding&) = delete;
  EditBoxBinding& operator=(const EditBoxBinding&) = delete;

 private:
  void ShowModelText();

  EditBoxModel& model_;
  QLineEdit& edit_;
};

}  // namespace velmora::platform
