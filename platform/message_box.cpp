#include "platform/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/qt_text.h"

namespace velmora::platform {

namespace {
// "信息：" in GBK.
constexpr char kCaption[] = "\xd0\xc5\xcf\xa2\xa3\xba";
}  // namespace

std::unique_ptr<QMessageBox> MessageBoxService::Create(const Text& text,
                                                       int buttons) {
  auto box = std::make_unique<QMessageBox>();
  box->setWindowTitle(ToQString(kCaption));
  box->setText(ToQString(text));
  box->setTextFormat(Qt::PlainText);
  box->setIcon(QMessageBox::NoIcon);
  box->setWindowModality(Qt::ApplicationModal);
  if (buttons == kOkCancelButtons) {
    box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
  }
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

int MessageBoxService::AnswerOf(const QMessageBox& box) {
  const QAbstractButton* clicked = box.clickedButton();
  const QAbstractButton* cancel = box.button(QMessageBox::Cancel);
  if (cancel != nullptr && (clicked == nullptr || clicked == cancel)) {
    return kAnsweredCancel;
  }
  return kAnsweredOk;
}

int MessageBoxService::Show(const Text& text, int buttons) {
  ++shownCount_;
  lastText_ = text;
  lastButtons_ = buttons == kOkCancelButtons ? kOkCancelButtons : kOkButton;
  if (!queuedAnswers_.empty()) {
    const int answer = queuedAnswers_.front();
    queuedAnswers_.pop_front();
    return answer;
  }
  std::unique_ptr<QMessageBox> box = Create(text, buttons);
  box->exec();
  return AnswerOf(*box);
}

}  // namespace velmora::platform
