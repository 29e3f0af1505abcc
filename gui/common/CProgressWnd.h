#pragma once
// The small captionless status window that the instrument commands put over the main window
// while they talk to the instrument: up to two lines of text and, when asked for, a Cancel
// button. While it exists the main window is disabled; only destroying it enables the main
// window again, so a hidden progress window still keeps the rest of the program out of the
// way of a running command.

#include <QObject>
#include <QPointer>
#include <QString>

#include <QRect>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

class CProgressWnd : public QObject {
  Q_OBJECT
 public:
  CProgressWnd();
  ~CProgressWnd() override;

  // Puts the window up over `parent` (none: the main window), disables the parent and pumps
  // once. A second call does not build a second window. False when there is no window.
  bool Create(QWidget* parent = nullptr, bool withCancel = false);
  // At most 511 characters are kept; the layout made by Create does not change.
  void SetText(const QString& text);
  // A progress bar under the text, at `percent` (0 to 100; below 0, a busy bar: how much is to
  // come is not known), and a line of numbers under it (a download's percentage and time left,
  // in the words of its caller). The first call adds them and makes the window taller; later
  // calls only update them. Nothing happens when the window does not exist.
  void SetProgress(int percent, const QString& numbers);
  void Show();
  void Hide();
  // Lets queued events run (repaints, the Cancel click) without waiting for new ones.
  void PeekAndPump();
  bool Cancelled() const { return m_bCancelled; }
  // Enables the parent again and takes the window down (also done by the destructor).
  void Destroy();

  // For tests and screenshots.
  QWidget* Window() const;
  QString Text() const { return m_strText; }
  QString TransferText() const;

  static constexpr int kMaxText = 511;

 private:
  bool Build(bool withCancel);
  void Layout();
  void Centre();

  QPointer<QWidget> m_pParent;
  QPointer<QFrame> m_pWindow;
  QLabel* m_pText = nullptr;
  QProgressBar* m_pBar = nullptr;
  QLabel* m_pTransferText = nullptr;
  QRect m_textRect;  // measured once, when the window is built
  QPushButton* m_pCancelButton = nullptr;
  bool m_bWithCancel = false;
  bool m_bCancelled = false;
  bool m_bModal = false;
  bool m_bVisible = false;
  QString m_strText;
  QString m_strCancel = QStringLiteral("Cancel");
};
