#include "MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

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
