#pragma once
// Every message the program shows goes through here: a QMessageBox captioned "Meterlog" with
// an OK button. Tests install a hook so that no modal box waits for a click.

#include <QString>
#include <functional>

class QWidget;

// Failures carry the exclamation icon; every other message none.
enum class MessageKind { kFailure, kPlain };

void ShowMessage(QWidget* parent, const QString& text, MessageKind kind = MessageKind::kFailure);

// Asks a question with Yes and No (No the default unless `yesIsDefault`); true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, bool yesIsDefault = false);

// Replaces the boxes by `hook` (an empty function restores them); a question then counts as
// answered No unless `answer` is set.
using MessageHook = std::function<void(const QString& text, MessageKind kind)>;
void SetMessageHook(MessageHook hook);
using AnswerHook = std::function<bool(const QString& question)>;
void SetAnswerHook(AnswerHook answer);
