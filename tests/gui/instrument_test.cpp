// The two Device commands as the user meets them: the real dialogs, driven by a script of
// clicks, against meterlog2-sim on a pseudo-terminal offered through METERLOG2_PORTS.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstring>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "app/RecentFileList.h"
#include "common/CProgressWnd.h"
#include "common/MessageBox.h"
#include "config/ConfigFields.h"
#include "instrument/CConfigComPort.h"
#include "instrument/CConfigUnit.h"
#include "instrument/CFlashFileDirectory.h"
#include "instrument/GuiLinkPrompt.h"
#include "log/CMeterlog2Doc.h"
#include "view/CMeterlog2View.h"

void InstallMessageSink();  // GuiTestSupport.cpp

namespace {

// meterlog2-sim in a child process; its event log is kept for the checks.
class Sim {
 public:
  bool Start(const QStringList& args) {
    m_process.setProgram(QStringLiteral(METERLOG2_SIM_PATH));
    m_process.setArguments(
        QStringList{"--baud", "0", "--echo-timeout", "500", "--ack-timeout", "3000"} + args);
    m_process.start();
    if (!m_process.waitForStarted(5000)) return false;
    while (!m_process.canReadLine()) {
      if (!m_process.waitForReadyRead(5000)) return false;
    }
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    qputenv("METERLOG2_PORTS", QFile::encodeName(m_device));
    return !m_device.isEmpty();
  }
  QString Log() {
    m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
    return m_log;
  }
  const QString& Device() const { return m_device; }
  ~Sim() {
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) m_process.kill();
    qunsetenv("METERLOG2_PORTS");
  }

 private:
  QProcess m_process;
  QString m_device;
  QString m_log;
};

// Acts on the windows a command puts up, one step after another: each step names what it waits
// for and what to do with it. A modal dialog the script does not expect is closed after a few
// seconds and reported, so no test waits for a click that never comes.
class Script {
 public:
  using Find = std::function<QWidget*()>;
  using Act = std::function<void(QWidget*)>;

  void Add(Find find, Act act) { m_steps.push_back({std::move(find), std::move(act)}); }
  template <class Dialog>
  void OnDialog(std::function<void(Dialog*)> act) {
    Add([]() -> QWidget* { return qobject_cast<Dialog*>(QApplication::activeModalWidget()); },
        [act](QWidget* w) { act(static_cast<Dialog*>(w)); });
  }

  Script() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
  }
  bool Finished() const { return m_next == m_steps.size(); }
  QStringList Unexpected() const { return m_unexpected; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (m_next < m_steps.size()) {
      if (QWidget* w = m_steps[m_next].find(); w != nullptr && w != m_last) {
        m_last = w;
        m_stray.invalidate();
        ++m_next;
        // Acting may open another modal dialog; that must not run inside this poll.
        QTimer::singleShot(0, w, [act = m_steps[m_next - 1].act, w] { act(w); });
        return;
      }
    }
    if (modal == nullptr || modal == m_last) {
      if (modal == nullptr) m_last = nullptr;
      m_stray.invalidate();
      return;
    }
    if (!m_stray.isValid()) m_stray.start();
    if (m_stray.elapsed() > 3000) {
      m_unexpected << modal->metaObject()->className() + QStringLiteral(" ") + modal->windowTitle();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      m_stray.invalidate();
    }
  }

  struct Step {
    Find find;
    Act act;
  };
  std::vector<Step> m_steps;
  size_t m_next = 0;
  QWidget* m_last = nullptr;
  QElapsedTimer m_stray;
  QStringList m_unexpected;
  QTimer m_timer;
};

// Clicks a button once the current event has been handled: a click that opens a modal dialog
// must not run that dialog inside the script's own timer.
void ClickLater(QAbstractButton* button) {
  QTimer::singleShot(0, button, [button] { button->click(); });
}

// What a user does in the save dialog: types the name and presses Enter.
void TypeFileName(QFileDialog* save, const QString& path) {
  auto* name = save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(name != nullptr);
  name->setText(path);
  QTimer::singleShot(0, save, [save] { static_cast<QDialog*>(save)->accept(); });
}

void ChoosePort(Script& script, const QString& device) {
  script.OnDialog<CConfigComPort>([device](CConfigComPort* dialog) {
    QComboBox* port = dialog->Box(CConfigComPort::kPort);
    port->setCurrentIndex(port->findText(device));
    QVERIFY(port->currentIndex() >= 0);
    ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("connect")));
  });
}

// Three Flash Files of different log types, as the simulator serves them.
QString FlashFolder() {
  const QString folder = ScratchDir() + QStringLiteral("/flash");
  if (QDir(folder).exists()) return folder;
  QDir().mkpath(folder);
  const struct {
    const char* name;
    int type;
    unsigned records;
  } files[] = {{"a_standard.57x", 1, 5}, {"b_harmonic.57x", 2, 7}, {"c_tabular.57x", 4, 3}};
  for (const auto& f : files) {
    const QString path =
        WriteSample(QStringLiteral("flash/") + QLatin1String(f.name), f.type, f.records);
    Q_UNUSED(path);
  }
  return folder;
}

QString Fresh(const QString& name) {
  const QString path = ScratchDir() + QLatin1Char('/') + name;
  QFile::remove(path);
  return path;
}

QByteArray ConfigPart(const QByteArray& state) {
  return state.left(static_cast<int>(kConfigRecordSize));
}

// A configuration record as the simulator stores it (wire order) with values a careless write
// would change: an input code outside the lists, a scale switch of 2, factors with more than six
// significant digits.
QByteArray OddState() {
  QByteArray state(static_cast<int>(kConfigRecordSize) + 8, '\0');
  auto* p = reinterpret_cast<uint8_t*>(state.data());
  p[kChannel1Offset] = 28;  // "AC: In" is not in channel 1's list
  p[kChannel2Offset] = 12;
  p[kPhasePreferencesOffset] = 0xA6;
  p[kScaleDataOffset] = 2;
  for (int code = 0; code < 15; ++code) {
    const float magnitude = 1.2345678f + static_cast<float>(code);
    const float phase = -12.345678f;
    std::memcpy(p + kScaleDataOffset + 1 + 8 * code, &magnitude, 4);  // floats travel LE
    std::memcpy(p + kScaleDataOffset + 5 + 8 * code, &phase, 4);
  }
  return state;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The waits let the window paint every 20 ms or so; a wait that blocked would stall it for
// seconds (3.6 s and 9.8 s in the two tests below). The bound leaves room for a busy machine
// (two test programs and a build at once) without letting a blocking wait through.
constexpr qint64 kMaxStallMs = 1000;

// Watches the progress window while a command runs: the longest time the event loop did not run
// while the window was up, and the texts the window painted, in order.
class ProgressProbe : public QObject {
 public:
  ProgressProbe() {
    qApp->installEventFilter(this);
    m_clock.start();
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Look(); });
    m_timer.start();
  }
  // Takes a last look once the command has returned: a wait that blocked to its end counts.
  void Finish() { Look(); }
  qint64 LongestStall() const { return m_longest; }
  QStringList Painted() const { return m_painted; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("progressText")) {
      const QString text = static_cast<QLabel*>(watched)->text();
      if (!text.isEmpty() && (m_painted.isEmpty() || m_painted.back() != text)) m_painted << text;
    }
    return false;
  }

 private:
  void Look() {
    QLabel* label = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* text = w->findChild<QLabel*>(QStringLiteral("progressText"));
      if (text != nullptr && w->isVisible()) label = text;
    }
    // The time since the last look counts when the window was up then: a wait that blocks the
    // event loop ends unseen when the window is gone by the next look.
    const qint64 now = m_clock.elapsed();
    if (m_last >= 0) m_longest = std::max(m_longest, now - m_last);
    m_last = label != nullptr ? now : -1;
  }

  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = -1, m_longest = 0;
  QStringList m_painted;
};

// The Cancel button of the visible progress window whose text passes `wanted`, or null.
QWidget* ProgressCancel(const std::function<bool(const QString&)>& wanted) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* text = w->findChild<QLabel*>(QStringLiteral("progressText"));
    auto* cancel = w->findChild<QPushButton*>(QStringLiteral("progressCancel"));
    if (w->isVisible() && text != nullptr && cancel != nullptr && wanted(text->text()))
      return cancel;
  }
  return nullptr;
}

// meterlog2-cli run to its end (or to SIGTERM after `stopAfterMs`); its standard error lines.
QStringList CliErrorLines(const QStringList& args, int stopAfterMs = -1) {
  QProcess cli;
  // The command-line tool of the same build as the simulator.
  const QString path = QFileInfo(QStringLiteral(METERLOG2_SIM_PATH)).absolutePath() +
                       QStringLiteral("/../cli/meterlog2-cli");
  cli.start(path, args);
  if (stopAfterMs >= 0 && !cli.waitForFinished(stopAfterMs)) cli.terminate();
  if (!cli.waitForFinished(60000)) return {QStringLiteral("(did not finish)")};
  return QString::fromLocal8Bit(cli.readAllStandardError()).split('\n');
}

// Its failure messages ("meterlog2-cli: ..." lines).
QStringList CliFailures(const QStringList& args) {
  QStringList failures;
  for (const QString& line : CliErrorLines(args)) {
    if (line.startsWith(QLatin1String("meterlog2-cli: ")))
      failures << line.mid(static_cast<int>(qstrlen("meterlog2-cli: ")));
  }
  return failures;
}

}  // namespace

class InstrumentTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ClearSettings();
    TakeMessages();
  }

  void progressWindowDisablesMainWindowUntilDestroyed() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    QWidget* frame = app.GetMainFrame();
    {
      CProgressWnd progress;
      progress.SetText(QStringLiteral("before"));  // no window yet: nothing happens
      QVERIFY(progress.Window() == nullptr);
      QVERIFY(progress.Create(nullptr, true));
      QVERIFY(!frame->isEnabled());
      QVERIFY(progress.Window()->isEnabled() && progress.Window()->isVisible());
      QVERIFY(progress.Text().isEmpty());
      QWidget* window = progress.Window();
      QVERIFY(progress.Create(nullptr, true));  // no second window
      QCOMPARE(progress.Window(), window);

      progress.SetText(QStringLiteral("Receiving Flash File...\nPackets: 1 / Bytes: 133"));
      const QLabel* text = window->findChild<QLabel*>(QStringLiteral("progressText"));
      QVERIFY(text->height() >= 2 * text->fontMetrics().lineSpacing());
      progress.SetText(QString(600, QLatin1Char('x')));
      QCOMPARE(progress.Text().size(), CProgressWnd::kMaxText);

      // A download's numbers add a bar and a line under the text, once; the text area stays.
      const int height = window->height();
      const QRect textArea = text->geometry();
      TransferProgress transfer;
      transfer.dataBytes = 1280;
      ShowTransfer(progress, transfer);
      QVERIFY(progress.Window()->findChild<QProgressBar*>(QStringLiteral("progressBar")) !=
              nullptr);
      QCOMPARE(Child<QProgressBar>(progress.Window(), "progressBar")->maximum(),
               0);                                   // size unknown: a busy bar
      QCOMPARE(progress.TransferText(), QString());  // the bytes are the text's count
      const int withBar = window->height();
      QVERIFY(withBar > height);
      QCOMPARE(text->geometry(), textArea);
      QVERIFY(Child<QPushButton>(progress.Window(), "progressCancel")->geometry().top() >
              Child<QProgressBar>(progress.Window(), "progressBar")->geometry().bottom());
      transfer.expectedBytes = 6400;
      transfer.elapsedMs = 2000;
      ShowTransfer(progress, transfer);
      QCOMPARE(window->height(), withBar);
      QCOMPARE(Child<QProgressBar>(progress.Window(), "progressBar")->value(), 20);
      QCOMPARE(progress.TransferText(), QStringLiteral("20 %, about 8 s left"));

      // A message box over the disabled main window still takes its click.
      SetMessageHook({});
      bool boxEnabled = false;
      WhenModal([&boxEnabled](QWidget* box) {
        boxEnabled = box->isEnabled();
        if (auto* ok = box->findChild<QPushButton*>()) ok->click();
      });
      ShowMessage(frame, QStringLiteral("over the progress window"));
      InstallMessageSink();
      QVERIFY(boxEnabled);

      progress.Hide();
      QVERIFY(!window->isVisible());
      QVERIFY(!frame->isEnabled());  // hiding keeps the main window disabled
      progress.Show();
      QVERIFY(!progress.Cancelled());
      Child<QPushButton>(progress.Window(), "progressCancel")->click();
      progress.PeekAndPump();
      QVERIFY(progress.Cancelled());
    }
    QVERIFY(frame->isEnabled());
  }

  void portProblems() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    std::vector<std::string> ports;
    LinkServices services;
    services.findPorts = [&ports] { return ports; };
    services.openPort = [](const std::string&, const LineSettings&, std::string& error,
                           bool& openFailed) {
      error = "Permission denied";
      openFailed = true;
      return std::unique_ptr<LinkPort>();
    };
    app.SetLinkServices(services);
    {
      Script script;
      app.GetMainFrame()->GetCommands().configure->trigger();
      app.GetMainFrame()->GetCommands().download->trigger();
      QCOMPARE(TakeMessages(), QStringList({"No COM Ports Detected", "No COM Ports Detected"}));
      QVERIFY(script.Unexpected().isEmpty());
    }
    // The message names the port and what the system said.
    ports = {"/dev/ttyUSB7"};
    Script script;
    ChoosePort(script, QStringLiteral("/dev/ttyUSB7"));
    script.OnDialog<CConfigComPort>([](CConfigComPort* dialog) { dialog->reject(); });
    app.OnDownloadFlashFile();
    QCOMPARE(TakeMessages(),
             QStringList{"Could not open the COM Port\n\n/dev/ttyUSB7: Permission denied"});
    app.OnConfigure();  // cancelled: nothing said
    QVERIFY(script.Finished());
    QVERIFY(TakeMessages().isEmpty());
    QVERIFY(app.GetMainFrame()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void portDialogDefaultsAndTypedText() {
    CConfigComPort dialog;
    dialog.SetPorts({"COM3", "COM7"}, 1);
    dialog.SetLine(LineSettings{});  // the first use in a run
    dialog.show();
    QCOMPARE(dialog.Box(CConfigComPort::kPort)->currentText(), QStringLiteral("COM7"));
    QCOMPARE(dialog.Box(CConfigComPort::kBaudRate)->currentText(), QStringLiteral("9600"));
    QCOMPARE(dialog.Box(CConfigComPort::kDataBits)->currentText(), QStringLiteral("8"));
    QCOMPARE(dialog.Box(CConfigComPort::kParity)->currentText(), QStringLiteral("None"));
    QCOMPARE(dialog.Box(CConfigComPort::kStopBits)->currentText(), QStringLiteral("1"));
    // Typed text is not a choice: the baud rate stays at the entry last chosen.
    QComboBox* baud = dialog.Box(CConfigComPort::kBaudRate);
    baud->setCurrentIndex(5);
    baud->lineEdit()->setFocus();
    baud->lineEdit()->selectAll();
    QTest::keyClicks(baud->lineEdit(), QStringLiteral("57600"));
    QTest::keyClick(baud->lineEdit(), Qt::Key_Return);
    QCOMPARE(baud->count(), 6);
    dialog.Box(CConfigComPort::kParity)->setCurrentIndex(2);
    dialog.accept();
    QCOMPARE(dialog.GetPortIndex(), 1);
    QCOMPARE(QString::fromStdString(dialog.GetLine().LineText()), QStringLiteral("38400/8o1"));

    // The line chosen last is offered again; a value the lists do not hold gives the default.
    CConfigComPort again;
    LineSettings line;
    line.baudRate = 2400;
    line.dataBits = 7;
    line.stopBits = 3;
    again.SetPorts({"COM3"}, -1);
    again.SetLine(line);
    again.show();
    QCOMPARE(again.Box(CConfigComPort::kPort)->currentText(), QStringLiteral("COM3"));
    QCOMPARE(again.Box(CConfigComPort::kBaudRate)->currentText(), QStringLiteral("2400"));
    QCOMPARE(again.Box(CConfigComPort::kDataBits)->currentText(), QStringLiteral("7"));
    QCOMPARE(again.Box(CConfigComPort::kStopBits)->currentText(), QStringLiteral("1"));
    again.reject();

    // A full device path reads whole in the port box.
    const QString path =
        QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    CConfigComPort wide;
    wide.SetPorts({"/dev/ttyS0", path}, 1);
    wide.SetLine(LineSettings{});
    wide.show();
    QComboBox* box = wide.Box(CConfigComPort::kPort);
    // The box's own measure of its longest entry, frame and arrow included, is what it got.
    QVERIFY(box->sizeHint().width() > box->fontMetrics().horizontalAdvance(path));
    QVERIFY2(box->width() >= box->sizeHint().width(),
             qPrintable(QStringLiteral("%1 < %2").arg(box->width()).arg(box->sizeHint().width())));
    wide.reject();
  }

  void downloadSecondOfThreeOpensIt() {
    Sim sim;
    QVERIFY(sim.Start({"--dir", FlashFolder(), "--state", Fresh("dl.state")}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    // Saved under a name with letters beyond ASCII and a space.
    const QString target = Fresh(QStringLiteral("zweite Größe.57x"));
    bool frameDisabledMeanwhile = false;

    Script script;
    ChoosePort(script, sim.Device());
    script.OnDialog<CFlashFileDirectory>([&](CFlashFileDirectory* dialog) {
      frameDisabledMeanwhile = !app.GetMainFrame()->isEnabled();
      QVERIFY(!app.GetMainFrame()->close());  // not while the command runs
      // Over the disabled main window, yet usable, and without the wait cursor.
      QVERIFY(dialog->isEnabled());
      QVERIFY(QApplication::overrideCursor() == nullptr);
      QCOMPARE(Child<QLabel>(dialog, "summary")->text(), QStringLiteral("3 Flash Files"));
      QCOMPARE(Child<QListWidget>(dialog, "entries")->count(), 3);
      QCOMPARE(Child<QListWidget>(dialog, "entries")->font().family(),  // sizes line up
               QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
      QVERIFY(Child<QListWidget>(dialog, "entries")
                  ->item(0)
                  ->text()
                  .startsWith(QLatin1String("a_standard.57x")));
      QVERIFY(Child<QListWidget>(dialog, "entries")
                  ->item(2)
                  ->text()
                  .startsWith(QLatin1String("c_tabular.57x")));
      QVERIFY(!Child<QPushButton>(dialog, "ok")->isEnabled());
      Child<QListWidget>(dialog, "entries")->setCurrentRow(1);
      QVERIFY(Child<QPushButton>(dialog, "ok")->isEnabled());
      ClickLater(Child<QPushButton>(dialog, "ok"));
    });
    // Cancelling the save dialog returns to the list with the pick kept.
    script.OnDialog<QFileDialog>([](QFileDialog* save) {
      QCOMPARE(save->defaultSuffix(), QStringLiteral("57x"));
      QCOMPARE(save->nameFilters(), QStringList{"Meterlog Document (*.57x)"});
      // The entry's own name is proposed.
      QCOMPARE(QFileInfo(save->selectedFiles().value(0)).fileName(),
               QStringLiteral("b_harmonic.57x"));
      save->reject();
    });
    script.OnDialog<CFlashFileDirectory>([](CFlashFileDirectory* dialog) {
      QCOMPARE(Child<QListWidget>(dialog, "entries")->currentRow(), 1);
      ClickLater(Child<QPushButton>(dialog, "ok"));
    });
    script.OnDialog<QFileDialog>([target](QFileDialog* save) { TypeFileName(save, target); });
    app.GetMainFrame()->GetCommands().download->trigger();

    QVERIFY(script.Finished());
    QVERIFY2(script.Unexpected().isEmpty(), qPrintable(script.Unexpected().join(", ")));
    QVERIFY(TakeMessages().isEmpty());
    QVERIFY(frameDisabledMeanwhile);
    QVERIFY(app.GetMainFrame()->isEnabled());
    QCOMPARE(app.GetRecentFiles()[0], target);
    QCOMPARE(app.GetView()->model()->rowCount(), 7);
    QVERIFY(app.GetMainFrame()->windowTitle().startsWith(QFileInfo(target).fileName() +
                                                         QLatin1String(": Harmonic")));
    // The file is the instrument's, padded to whole blocks, with the format marker of the
    // simulator's firmware (after 20 Sep 2005: 256).
    const QByteArray source = ReadAll(FlashFolder() + QStringLiteral("/b_harmonic.57x"));
    const QByteArray got = ReadAll(target);
    QCOMPARE(got.size(), (source.size() + 127) / 128 * 128);
    QCOMPARE(got.left(4), QByteArray("\x00\x01\x00\x00", 4));
    QCOMPARE(got.mid(4, source.size() - 4), source.mid(4));
    QTRY_VERIFY(sim.Log().contains(QLatin1String("download of file 2 requested")));

    // The next run offers the same port and line, and the folder the file went to.
    CMeterlog2App again;
    QVERIFY(again.InitInstance({}, false));
    Script next;
    QString offeredPort, offeredBaud, offeredFolder;
    next.OnDialog<CConfigComPort>([&](CConfigComPort* dialog) {
      offeredPort = dialog->Box(CConfigComPort::kPort)->currentText();
      offeredBaud = dialog->Box(CConfigComPort::kBaudRate)->currentText();
      ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("connect")));
    });
    next.OnDialog<CFlashFileDirectory>([](CFlashFileDirectory* dialog) {
      Child<QListWidget>(dialog, "entries")->setCurrentRow(0);
      ClickLater(Child<QPushButton>(dialog, "ok"));
    });
    next.OnDialog<QFileDialog>([&](QFileDialog* save) {
      offeredFolder = save->directory().absolutePath();
      save->reject();
    });
    next.OnDialog<CFlashFileDirectory>([](CFlashFileDirectory* dialog) { dialog->reject(); });
    again.OnDownloadFlashFile();
    QCOMPARE(offeredPort, sim.Device());
    QCOMPARE(offeredBaud, QStringLiteral("9600"));
    QCOMPARE(offeredFolder, QFileInfo(target).absolutePath());
  }

  void corruptPacketIsRetried() {
    Sim sim;
    QVERIFY(sim.Start({"--dir", FlashFolder(), "--state", Fresh("crc.state"), "--fault", "bad-crc",
                       "--fault-block", "1", "--firmware-date", "20 Sep 2005"}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    const QString target = Fresh("retried.57x");
    Script script;
    ChoosePort(script, sim.Device());
    script.OnDialog<CFlashFileDirectory>([](CFlashFileDirectory* dialog) {
      Child<QListWidget>(dialog, "entries")->setCurrentRow(0);
      ClickLater(Child<QPushButton>(dialog, "ok"));
    });
    script.OnDialog<QFileDialog>([target](QFileDialog* save) { TypeFileName(save, target); });
    app.OnDownloadFlashFile();
    QVERIFY(script.Finished());
    QVERIFY(TakeMessages().isEmpty());
    QTRY_VERIFY(sim.Log().contains(QLatin1String("fault: corrupt CRC")));
    QTRY_VERIFY(sim.Log().contains(QLatin1String("transfer complete")));
    const QByteArray source = ReadAll(FlashFolder() + QStringLiteral("/a_standard.57x"));
    const QByteArray got = ReadAll(target);
    QCOMPARE(got.left(4), QByteArray("\x01\x00\x00\x00", 4));
    QCOMPARE(got.mid(4, source.size() - 4), source.mid(4));
    QCOMPARE(app.GetView()->model()->rowCount(), 5);
  }

  void cancelSendsCanAndSaysWhereThePartialFileIs() {
    Sim sim;
    QVERIFY(sim.Start({"--dir", FlashFolder(), "--state", Fresh("cancel.state"), "--fault", "stall",
                       "--fault-block", "2"}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    const QString target = Fresh("cancelled.57x");
    Script script;
    ChoosePort(script, sim.Device());
    script.OnDialog<CFlashFileDirectory>([](CFlashFileDirectory* dialog) {
      Child<QListWidget>(dialog, "entries")->setCurrentRow(2);
      ClickLater(Child<QPushButton>(dialog, "ok"));
    });
    script.OnDialog<QFileDialog>([target](QFileDialog* save) { TypeFileName(save, target); });
    // Cancel once the first packet is in and the second has stalled.
    QString data;
    script.Add(
        [] {
          return ProgressCancel(
              [](const QString& text) { return text.contains(QLatin1String("Packets: 1 /")); });
        },
        [&data](QWidget* cancel) {
          data = cancel->window()->findChild<QLabel*>(QStringLiteral("progressData"))->text();
          QTest::mouseClick(cancel, Qt::LeftButton);
        });
    app.OnDownloadFlashFile();
    // Under the count (the only byte count in the window): how far, against the size the
    // entry's directory line gives.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+ %")).match(data).hasMatch(),
             qPrintable(data));
    QVERIFY(script.Finished());
    const QStringList messages = TakeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(QLatin1String("cancelled")));
    QVERIFY(messages[0].contains(QDir::toNativeSeparators(target)));
    // The target is not written; the one accepted packet stays beside it, and the user is told.
    QVERIFY(!QFile::exists(target));
    QVERIFY(messages[0].contains(QDir::toNativeSeparators(target + QStringLiteral(".partial"))));
    QCOMPARE(ReadAll(target + QStringLiteral(".partial")).size(), 128);
    QTRY_VERIFY(sim.Log().contains(QLatin1String("transfer cancelled by the program")));
    QVERIFY(app.GetRecentFiles().GetSize() == 0);
    QVERIFY(app.GetMainFrame()->isEnabled());
  }

  void directoryNotAnswered() {
    Sim sim;
    QVERIFY(sim.Start({"--fault", "no-directory", "--state", Fresh("nodir.state")}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    Script script;
    ChoosePort(script, sim.Device());
    ProgressProbe probe;
    app.OnDownloadFlashFile();
    probe.Finish();
    QCOMPARE(TakeMessages(), QStringList{"Couldn't read Flash File Directory"});
    QVERIFY(script.Unexpected().isEmpty());
    QVERIFY(app.GetMainFrame()->isEnabled());
    // Through the ten silent seconds the window showed what it waits for and kept painting.
    QVERIFY2(
        probe.Painted().contains(QStringLiteral("Retrieving Flash File Directory from device...")),
        qPrintable(probe.Painted().join(" | ")));
    QVERIFY2(probe.LongestStall() < kMaxStallMs, qPrintable(QString::number(probe.LongestStall())));
  }

  void progressWindowPaintsWhileASlowInstrumentAnswers() {
    Sim sim;  // 4800 baud: the configuration read takes seconds
    QVERIFY(sim.Start({"--baud", "4800", "--state", Fresh("slow.state")}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    Script script;
    ChoosePort(script, sim.Device());
    script.OnDialog<CConfigUnit>([](CConfigUnit* dialog) { dialog->reject(); });
    ProgressProbe probe;
    app.OnConfigure();
    probe.Finish();
    QVERIFY(script.Finished());
    QVERIFY(TakeMessages().isEmpty());
    QCOMPARE(probe.Painted(), QStringList({"Initiate communication with device...",
                                           "Retrieving current configuration from the device..."}));
    QVERIFY2(probe.LongestStall() < kMaxStallMs, qPrintable(QString::number(probe.LongestStall())));
  }

  void cliAndDesktopReportTheSameFaultAlike() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    const QString missing = ScratchDir() + QStringLiteral("/no-such-tty");
    const auto desktop = [&app](const QString& device, bool update) {
      Script script;
      ChoosePort(script, device);
      if (update) {
        script.OnDialog<CConfigUnit>([](CConfigUnit* dialog) {
          ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("update")));
        });
      }
      app.OnConfigure();
      return TakeMessages();
    };
    {
      Sim sim;
      QVERIFY(sim.Start({"--fault", "bad-hex", "--state", Fresh("same1.state")}));
      const QStringList cli = CliFailures({"config", "--port", sim.Device()});
      QCOMPARE(cli, QStringList{"Failed to read configuration"});
      QCOMPARE(desktop(sim.Device(), false), cli);
    }
    {
      Sim sim;
      QVERIFY(sim.Start({"--fault", "wrong-echo", "--state", Fresh("same2.state")}));
      const QStringList cli = CliFailures({"config", "--port", sim.Device(), "--set", "scale=on"});
      QCOMPARE(cli, QStringList{"Error updating configuration"});
      QCOMPARE(desktop(sim.Device(), true), cli);
    }
    // A port that cannot be opened: the same words, then the port's name and the system's reason.
    std::vector<std::string> ports{missing.toStdString()};
    LinkServices services = SystemLinkServices();
    services.findPorts = [&ports] { return ports; };
    app.SetLinkServices(services);
    const QStringList cli = CliFailures({"config", "--port", missing});
    QCOMPARE(cli.size(), 2);
    const QStringList shown = desktop(missing, false);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0], cli[1] + QStringLiteral("\n\n") + cli[0]);
    QVERIFY(shown[0].startsWith(QLatin1String("Could not open the COM Port\n\n") + missing + ": "));
  }

  void downloadFailureAndProgressReadTheSameInBoth() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    const QString target = Fresh("same.57x");
    // The steps of a download of entry `row` into `path`.
    const auto download = [](Script& script, const QString& device, int row, const QString& path) {
      ChoosePort(script, device);
      script.OnDialog<CFlashFileDirectory>([row](CFlashFileDirectory* dialog) {
        Child<QListWidget>(dialog, "entries")->setCurrentRow(row);
        ClickLater(Child<QPushButton>(dialog, "ok"));
      });
      script.OnDialog<QFileDialog>([path](QFileDialog* save) { TypeFileName(save, path); });
    };
    {
      // Block 3 comes out of sequence: the same lines in the tool and in the message box.
      Sim sim;
      QVERIFY(sim.Start({"--dir", FlashFolder(), "--state", Fresh("same3.state"), "--fault",
                         "out-of-sequence", "--fault-block", "3"}));
      const QStringList cli =
          CliFailures({"download", "--port", sim.Device(), "--entry", "2", "-o", target});
      QCOMPARE(cli.size(), 2);
      QVERIFY(QFile::remove(target + QStringLiteral(".partial")));
      Script script;
      download(script, sim.Device(), 1, target);
      app.OnDownloadFlashFile();
      QCOMPARE(TakeMessages(), QStringList{cli.join(QStringLiteral("\n\n"))});
      QVERIFY(cli[1].contains(QDir::toNativeSeparators(target + QStringLiteral(".partial"))));
    }
    // Packet 2 stalls after 60 bytes: the window's count, and beside it how far, is the tool's
    // progress line.
    Sim sim;
    QVERIFY(sim.Start({"--dir", FlashFolder(), "--state", Fresh("same4.state"), "--fault", "stall",
                       "--fault-block", "2"}));
    const QString count = QStringLiteral("Packets: 1 / Bytes: 193");
    QString shownCount, shownDone;
    Script script;
    download(script, sim.Device(), 2, Fresh("stalled.57x"));
    script.Add(
        [count] {
          return ProgressCancel([count](const QString& text) { return text.endsWith(count); });
        },
        [&](QWidget* cancel) {
          QWidget* window = cancel->window();
          shownCount = window->findChild<QLabel*>(QStringLiteral("progressText"))->text();
          shownDone = window->findChild<QLabel*>(QStringLiteral("progressData"))->text();
          QTest::mouseClick(cancel, Qt::LeftButton);
        });
    app.OnDownloadFlashFile();
    QVERIFY(script.Finished());
    TakeMessages();
    QCOMPARE(shownCount, QStringLiteral("Receiving Flash File...\n") + count);
    QVERIFY2(
        shownDone.endsWith(QLatin1String(" %")) || shownDone.contains(QLatin1String(" s left")),
        qPrintable(shownDone));
    QStringList lines = CliErrorLines(
        {"download", "--port", sim.Device(), "--entry", "3", "-o", Fresh("stalled2.57x")}, 2500);
    lines = lines.filter(QRegularExpression(QStringLiteral("^") + count));
    QVERIFY2(!lines.isEmpty(), "the tool printed no line for the stalled packet");
    const QString percent = shownDone.section(QLatin1Char(','), 0, 0);
    QVERIFY2(lines.back().startsWith(count + QStringLiteral(" (") + percent),
             qPrintable(lines.back() + " / " + percent));
  }

  void identificationCanBeCancelledAndItsFailureSaysWhatToCheck() {
    Sim sim;
    QVERIFY(sim.Start({"--fault", "silence", "--state", Fresh("silent.state")}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    {
      // Cancel while the instrument is waited for: the command ends at once, without a word.
      Script script;
      ChoosePort(script, sim.Device());
      script.Add(
          [] {
            return ProgressCancel([](const QString& text) {
              return text == QLatin1String("Initiate communication with device...");
            });
          },
          [](QWidget* cancel) { QTest::mouseClick(cancel, Qt::LeftButton); });
      app.OnConfigure();
      QVERIFY(script.Finished());
      QVERIFY(TakeMessages().isEmpty());
      QVERIFY(app.GetMainFrame()->isEnabled());
    }
    // Left to fail: the message, then what to check, in the tool's words.
    const QStringList cli = CliFailures({"directory", "--port", sim.Device()});
    QCOMPARE(cli.size(), 2);
    QCOMPARE(cli[0], QStringLiteral("Failed to communicate with a 57x device"));
    QVERIFY(cli[1].contains(sim.Device()) && cli[1].contains(QLatin1String("9600/8n1")) &&
            cli[1].contains(QLatin1String("cable")) &&
            cli[1].contains(QLatin1String("switched on")));
    Script script;
    ChoosePort(script, sim.Device());
    app.OnDownloadFlashFile();
    QCOMPARE(TakeMessages(), QStringList{cli.join(QStringLiteral("\n\n"))});
  }

  void configureChangesOnlyWhatWasEdited() {
    const QString statePath = Fresh("config.state");
    QVERIFY(WriteFile(statePath, OddState()));
    Sim sim;
    QVERIFY(sim.Start({"--state", statePath}));
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));

    // "Update" with nothing touched and the clock box cleared: the record stays as it was,
    // except the clock bytes the instrument filled in when it was read.
    Script untouched;
    ChoosePort(untouched, sim.Device());
    untouched.OnDialog<CConfigUnit>([](CConfigUnit* dialog) {
      QVERIFY(dialog->focusWidget() == Child<QCheckBox>(dialog, "updateClock"));
      QVERIFY(Child<QCheckBox>(dialog, "updateClock")->isChecked());
      QCOMPARE(Child<QComboBox>(dialog, "channel1")->currentIndex(), -1);
      QCOMPARE(Child<QComboBox>(dialog, "channel1")->count(), 27);
      QCOMPARE(Child<QComboBox>(dialog, "channel1")->itemText(1), QStringLiteral("AC: Vac"));
      QCOMPARE(Child<QComboBox>(dialog, "channel1")->itemText(5), QStringLiteral("AC: Vbc"));
      QCOMPARE(Child<QComboBox>(dialog, "channel1")->itemText(26), QStringLiteral("DC: Vcs"));
      QCOMPARE(Child<QComboBox>(dialog, "channel2")->count(), 28);
      QCOMPARE(Child<QComboBox>(dialog, "channel2")->itemText(5), QStringLiteral("AC: In"));
      QCOMPARE(Child<QComboBox>(dialog, "channel2")->itemText(6), QStringLiteral("AC: Vbc"));
      QCOMPARE(Child<QComboBox>(dialog, "channel2")->currentText(), QStringLiteral("AC: Ia"));
      QCOMPARE(dialog->FactorBox(0)->text(), QStringLiteral("1.23457"));
      QCOMPARE(dialog->FactorBox(1)->text(), QStringLiteral("-12.3457"));
      // The date in the chosen date format: the log's own month-day-year by default.
      const QRegularExpression date(QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
      QVERIFY(
          date.match(dialog->findChild<QLineEdit*>(QStringLiteral("dateTime"))->text()).hasMatch());
      Child<QCheckBox>(dialog, "updateClock")->setChecked(false);
      ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("update")));
    });
    app.OnConfigure();
    QVERIFY(untouched.Finished());
    QCOMPARE(TakeMessages(), QStringList{"Updated Device Configuration"});
    QTRY_VERIFY(sim.Log().contains(QLatin1String("configuration written")));
    QVERIFY(!sim.Log().contains(QLatin1String("clock set")));
    QByteArray before = ConfigPart(OddState());
    // The stored clock bytes change once the simulator has stored the record it was sent.
    QTRY_VERIFY(ConfigPart(ReadAll(statePath)).mid(13, 13) != before.mid(13, 13));
    QCOMPARE(ConfigPart(ReadAll(statePath)).mid(26), before.mid(26));
    QCOMPARE(ConfigPart(ReadAll(statePath)).left(13), before.left(13));

    // Channel 2 to "AC: In", the polarity, one factor; the clock box left checked.
    Script edits;
    ChoosePort(edits, sim.Device());
    edits.OnDialog<CConfigUnit>([](CConfigUnit* dialog) {
      Child<QComboBox>(dialog, "channel2")
          ->setCurrentIndex(
              Child<QComboBox>(dialog, "channel2")->findText(QStringLiteral("AC: In")));
      Child<QComboBox>(dialog, "polarity")
          ->setCurrentIndex(1 - Child<QComboBox>(dialog, "polarity")->currentIndex());
      dialog->FactorBox(12)->setText(QStringLiteral("2.5"));  // Ia magnitude
      ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("update")));
    });
    app.OnConfigure();
    QVERIFY(edits.Finished());
    QCOMPARE(TakeMessages(), QStringList{"Updated Device Configuration"});
    QTRY_VERIFY(sim.Log().contains(QLatin1String("clock set to")));
    QByteArray after;
    QTRY_VERIFY((after = ConfigPart(ReadAll(statePath))).mid(26) != before.mid(26));
    const float ia = 2.5f;
    QByteArray expected = before;
    expected[kChannel2Offset] = 28;
    expected[kPhasePreferencesOffset] = static_cast<char>(0xA7);
    expected.replace(static_cast<int>(kScaleDataOffset + 1 + 8 * 12), 4,
                     QByteArray(reinterpret_cast<const char*>(&ia), 4));
    QCOMPARE(after.mid(26), expected.mid(26));
    QVERIFY(app.GetMainFrame()->isEnabled());
  }

  void configureFailuresAreReported() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    {
      Sim sim;  // a configuration read with a broken hex digit
      QVERIFY(sim.Start({"--fault", "bad-hex", "--state", Fresh("badhex.state")}));
      Script script;
      ChoosePort(script, sim.Device());
      app.OnConfigure();
      QCOMPARE(TakeMessages(), QStringList{"Failed to read configuration"});
      QVERIFY(script.Unexpected().isEmpty());
    }
    {
      Sim sim;  // the written record comes back with a wrong echo
      QVERIFY(sim.Start({"--fault", "wrong-echo", "--state", Fresh("echo.state")}));
      Script script;
      ChoosePort(script, sim.Device());
      script.OnDialog<CConfigUnit>([](CConfigUnit* dialog) {
        QVERIFY(QApplication::overrideCursor() == nullptr);
        ClickLater(dialog->findChild<QPushButton*>(QStringLiteral("update")));
      });
      app.OnConfigure();
      QCOMPARE(TakeMessages(), QStringList{"Error updating configuration"});
      QVERIFY(script.Finished());
    }
    QVERIFY(app.GetMainFrame()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void configureValidation() {
    ConfigDialogValues values;
    values.factors.fill(1.0f);
    CConfigUnit dialog;
    dialog.SetValues(values);
    dialog.show();
    const auto update = [&dialog](int box, const QString& text) {
      dialog.FactorBox(box)->setText(text);
      dialog.accept();
      return TakeMessages();
    };
    QCOMPARE(update(2, QStringLiteral("0")),
             QStringList{"Please enter a number between 0.0001 and 99999."});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), dialog.FactorBox(2));
    QCOMPARE(update(2, QStringLiteral("abc")), QStringList{"Please enter a number."});
    QCOMPARE(update(2, QString()), QStringList{"Please enter a number."});
    QCOMPARE(update(2, QStringLiteral("99999.5")),
             QStringList{"Please enter a number between 0.0001 and 99999."});
    // Text after the number, or a decimal comma, makes no number (it is not cut to 12 or 1).
    QCOMPARE(update(2, QStringLiteral("12abc")), QStringList{"Please enter a number."});
    QCOMPARE(dialog.focusWidget(), dialog.FactorBox(2));
    QCOMPARE(update(2, QStringLiteral("1,5")), QStringList{"Please enter a number."});
    QVERIFY(dialog.isVisible());
    dialog.FactorBox(2)->setText(QStringLiteral(" 12 "));
    QCOMPARE(update(3, QStringLiteral("360")),
             QStringList{"Please enter a number between -359.9 and 359.9."});
    QCOMPARE(dialog.focusWidget(), dialog.FactorBox(3));
    // The first failing box is the one reported, in the dialog's order.
    dialog.FactorBox(1)->setText(QStringLiteral("x"));
    QCOMPARE(update(3, QStringLiteral("-360")), QStringList{"Please enter a number."});
    QCOMPARE(dialog.focusWidget(), dialog.FactorBox(1));
    dialog.FactorBox(1)->setText(QStringLiteral("-359.9"));
    QVERIFY(update(3, QStringLiteral("359.9")).isEmpty());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.GetValues().factors[2], 12.0f);
    QCOMPARE(dialog.GetValues().factors[3], 359.9f);
    QCOMPARE(dialog.GetValues().factors[1], -359.9f);
  }
};

REGISTER_GUI_TEST(InstrumentTest);
#include "instrument_test.moc"
