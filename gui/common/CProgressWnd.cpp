#include "CProgressWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <functional>

#include "file/Interrupt.h"

namespace {

constexpr int kMargin = 10;
constexpr int kTextWidth = 350;

QWidget* FindMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(widget) != nullptr) return widget;
  }
  return nullptr;
}

// The window itself: it cannot be closed by the window manager while a command runs, and
// Escape means Cancel when there is a Cancel button.
class ProgressFrame : public QFrame {
 public:
  ProgressFrame(QWidget* parent, std::function<void()> onCancel)
      : QFrame(parent, Qt::Dialog | Qt::FramelessWindowHint), m_onCancel(std::move(onCancel)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (m_onCancel) m_onCancel();
    event->ignore();
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      if (m_onCancel) m_onCancel();
      return;
    }
    QFrame::keyPressEvent(event);
  }

 private:
  std::function<void()> m_onCancel;
};

}  // namespace

CProgressWnd::CProgressWnd() = default;

CProgressWnd::~CProgressWnd() {
  Destroy();
}

bool CProgressWnd::Create(QWidget* parent, bool withCancel) {
  if (!m_pWindow) {
    m_pParent = parent != nullptr ? parent : FindMainWindow();
    m_bWithCancel = withCancel;
    if (!Build(withCancel)) return false;
  }
  if (m_pParent) m_pParent->setEnabled(false);
  m_pWindow->setEnabled(true);
  m_bModal = true;
  PeekAndPump();
  return true;
}

bool CProgressWnd::Build(bool withCancel) {
  auto* frame = new ProgressFrame(m_pParent, [this] {
    if (m_bWithCancel) m_bCancelled = true;
  });
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setLineWidth(1);
  frame->setAutoFillBackground(true);
  frame->setBackgroundRole(QPalette::Button);
  frame->setCursor(Qt::BusyCursor);
  frame->setAttribute(Qt::WA_ShowWithoutActivating);
  frame->setWindowTitle(QStringLiteral("Meterlog"));
  frame->setObjectName(QStringLiteral("progressWindow"));
  frame->setFont(QApplication::font("QMessageBox"));
  m_pWindow = frame;

  m_pText = new QLabel(frame);
  m_pText->setObjectName(QStringLiteral("progressText"));
  m_pText->setTextFormat(Qt::PlainText);
  m_pText->setWordWrap(false);
  m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_pText->setText(m_strText);

  if (withCancel) {
    m_pCancelButton = new QPushButton(m_strCancel, frame);
    m_pCancelButton->setObjectName(QStringLiteral("progressCancel"));
    m_pCancelButton->setFocusPolicy(Qt::StrongFocus);
    connect(m_pCancelButton, &QPushButton::clicked, this, [this] { m_bCancelled = true; });
  }
  Layout();
  Centre();
  Show();
  return true;
}

void CProgressWnd::Layout() {
  const QFontMetrics metrics(m_pWindow->font());
  if (!m_textRect.isValid()) {
    const QString measured = m_strText.isEmpty() ? QStringLiteral(" ") : m_strText;
    m_textRect =
        metrics.boundingRect(QRect(kMargin, kMargin, 0, 0), Qt::AlignLeft | Qt::AlignTop, measured);
    m_textRect.setWidth(kTextWidth);
    m_textRect.setHeight(2 * m_textRect.height());  // room for a second line
  }
  const QRect text = m_textRect;
  int bottom = text.bottom();
  if (m_pBar != nullptr) {
    const QRect bar(text.left(), bottom + 1 + kMargin, text.width(), m_pBar->sizeHint().height());
    const QRect line(text.left(), bar.bottom() + 1 + kMargin / 2, text.width(),
                     metrics.lineSpacing());
    m_pBar->setGeometry(bar);
    m_pTransferText->setGeometry(line);
    bottom = line.bottom();
  }

  const int edge =
      m_pWindow->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_pWindow) + 1;
  QRect button;
  if (m_pCancelButton != nullptr) {
    const QSize label = metrics.size(Qt::TextSingleLine, m_strCancel + QStringLiteral("  "));
    QSize size(label.width() + 4 * edge, label.height() + 3 * edge);
    size = size.expandedTo(m_pCancelButton->sizeHint());
    button =
        QRect(text.right() + 1 - size.width(), bottom + 1 + kMargin, size.width(), size.height());
  }
  int height = bottom + 1 + kMargin;
  if (button.isValid()) height += button.height() + kMargin;
  m_pWindow->setFixedSize(text.width() + 2 * kMargin, height);
  m_pText->setGeometry(text);
  if (m_pCancelButton != nullptr) m_pCancelButton->setGeometry(button);
}

void CProgressWnd::Centre() {
  QRect area;
  if (m_pParent && m_pParent->isVisible()) {
    area = m_pParent->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (!area.isValid()) return;
  QRect rect(QPoint(0, 0), m_pWindow->size());
  rect.moveCenter(area.center());
  m_pWindow->move(rect.topLeft());
}

void CProgressWnd::SetText(const QString& text) {
  if (!m_pWindow) return;
  m_strText = text.left(kMaxText);
  m_pText->setText(m_strText);
}

void CProgressWnd::SetProgress(int percent, const QString& numbers) {
  if (!m_pWindow) return;
  if (m_pBar == nullptr) {
    m_pBar = new QProgressBar(m_pWindow);
    m_pBar->setObjectName(QStringLiteral("progressBar"));
    m_pBar->setTextVisible(false);
    m_pTransferText = new QLabel(m_pWindow);
    m_pTransferText->setObjectName(QStringLiteral("progressData"));
    m_pTransferText->setTextFormat(Qt::PlainText);
    Layout();
    m_pBar->show();
    m_pTransferText->show();
  }
  if (percent < 0) {
    m_pBar->setRange(0, 0);  // the size is not known: a busy bar
  } else {
    m_pBar->setRange(0, 100);
    m_pBar->setValue(percent);
  }
  m_pTransferText->setText(numbers);
}

QString CProgressWnd::TransferText() const {
  return m_pTransferText != nullptr ? m_pTransferText->text() : QString();
}

void CProgressWnd::Show() {
  if (!m_pWindow || m_bVisible) return;
  m_bVisible = true;
  m_pWindow->show();
  m_pWindow->raise();
  m_pWindow->repaint();
}

void CProgressWnd::Hide() {
  if (!m_pWindow || !m_bVisible) return;
  m_pWindow->hide();
  m_bVisible = false;
}

void CProgressWnd::PeekAndPump() {
  // Keys go to this window while it is up, but only within the program: another application
  // the user switched to keeps the focus.
  QWidget* active = QApplication::activeWindow();
  if (m_bModal && m_pWindow && m_bVisible && active != nullptr && active != m_pWindow) {
    m_pWindow->activateWindow();
    if (m_pCancelButton != nullptr) m_pCancelButton->setFocus();
  }
  if (!m_bCancelled) QCoreApplication::processEvents(QEventLoop::AllEvents);
  // SIGINT or SIGTERM: the program is being closed, which cancels what can be cancelled.
  if (m_bWithCancel && InterruptSignal() != 0) m_bCancelled = true;
}

void CProgressWnd::Destroy() {
  if (m_pParent) m_pParent->setEnabled(true);
  if (m_pWindow) {
    m_pWindow->hide();
    delete m_pWindow.data();
  }
  m_pWindow = nullptr;
  m_pText = nullptr;
  m_pBar = nullptr;
  m_pTransferText = nullptr;
  m_pCancelButton = nullptr;
  m_textRect = QRect();
  m_bVisible = false;
  m_bModal = false;
}

QWidget* CProgressWnd::Window() const {
  return m_pWindow.data();
}
