#include "MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
AnswerHook& Answer() {
  static AnswerHook answer;
  return answer;
}
}  // namespace

void SetAnswerHook(AnswerHook answer) {
  Answer() = std::move(answer);
}

bool AskYesNo(QWidget* parent, const QString& text, bool yesIsDefault) {
  if (Hook()) {
    Hook()(text, MessageKind::kPlain);
    return Answer() ? Answer()(text) : false;
  }
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Meterlog"), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void SetMessageHook(MessageHook hook) {
  Hook() = std::move(hook);
}

void ShowMessage(QWidget* parent, const QString& text, MessageKind kind) {
  if (Hook()) {
    Hook()(text, kind);
    return;
  }
  // A wait cursor left over from a long step must not sit on top of the box.
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  QMessageBox box(kind == MessageKind::kFailure ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QStringLiteral("Meterlog"), text, QMessageBox::Ok, parent);
  box.exec();
}
