#include "platform/edit_box_model.h"

#include <QLineEdit>
#include <QMetaObject>
#include <QThread>

#include <utility>

#include "platform/qt_text.h"

namespace velmora::platform {

EditBoxModel::EditBoxModel(Text initialText) : text_(std::move(initialText)) {}

Text EditBoxModel::GetText() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void EditBoxModel::SetText(Text text) {
  std::function<void()> refreshNow;
  {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    if (viewContext_ == nullptr) return;
    if (QThread::currentThread() == viewThread_) {
      refreshNow = refresh_;
    } else if (!refreshQueued_) {
      // One queued refresh is enough however many writes come before it runs:
      // it shows the text as it is then. Posting never waits for the GUI.
      refreshQueued_ = true;
      QMetaObject::invokeMethod(viewContext_, [this] { RunPendingRefresh(); },
                                Qt::QueuedConnection);
    }
  }
  if (refreshNow) refreshNow();
}

void EditBoxModel::SetTextFromView(Text text) {
  std::lock_guard lock(mutex_);
  text_ = std::move(text);
}

void EditBoxModel::RunPendingRefresh() {
  std::function<void()> refresh;
  {
    std::lock_guard lock(mutex_);
    refreshQueued_ = false;
    refresh = refresh_;
  }
  if (refresh) refresh();
}

void EditBoxModel::AttachView(QObject* context, std::function<void()> refresh) {
  std::lock_guard lock(mutex_);
  viewContext_ = context;
  viewThread_ = context->thread();
  refresh_ = std::move(refresh);
  refreshQueued_ = false;
}

void EditBoxModel::DetachView() {
  // Refreshes still queued die with the context object.
  std::lock_guard lock(mutex_);
  viewContext_ = nullptr;
  viewThread_ = nullptr;
  refresh_ = nullptr;
  refreshQueued_ = false;
}

EditBoxBinding::EditBoxBinding(EditBoxModel& model, QLineEdit& edit)
    : QObject(&edit), model_(model), edit_(edit) {
  model_.AttachView(this, [this] { ShowModelText(); });
  ShowModelText();
  // textEdited fires for the user's changes only, never for setText, so the
  // program's own writes do not come back as edits.
  connect(&edit_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.SetTextFromView(FromQString(text)); });
}

EditBoxBinding::~EditBoxBinding() { model_.DetachView(); }

void EditBoxBinding::ShowModelText() {
  const QString text = ToQString(model_.GetText());
  // Setting an equal text would still move the caret; leave the user alone.
  if (edit_.text() != text) edit_.setText(text);
}

}  // namespace velmora::platform
