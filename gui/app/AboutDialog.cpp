#include "AboutDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "DumpWriter.h"
#include "ToolbarIcons.h"
#include "VersionText.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Meterlog"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  auto* name = new QLabel(QStringLiteral("Meterlog"), this);
  m_version = new QLabel(ProgramVersionText(), this);
  m_version->setObjectName(QStringLiteral("version"));
  auto* contact =
      new QLabel(QStringLiteral("Reads, shows and exports the logs of 57x power analyzers.\n"
                                "Copyright (C) the Meterlog2 developers."),
                 this);
  contact->setWordWrap(true);
  const QString dumpPath = QDir::toNativeSeparators(QString::fromStdString(DumpFilePath()));
  m_dumpFile = new QLabel(
      dumpPath.isEmpty()
#ifdef _WIN32
          ? QStringLiteral("No diagnostic dump is written: C:\\ may not be written and there is "
                           "no folder for it (LOCALAPPDATA is not set).")
#else
          ? QStringLiteral("No diagnostic dump is written: there is no folder for it (HOME is not "
                           "set).")
#endif
          : QStringLiteral("Every load appends a text dump of the records to the diagnostic dump "
                           "file:\n%1\nIt is kept below 256 MiB: the older part moves to %2.")
                .arg(dumpPath,
                     QFileInfo(QString::fromStdString(DumpWriter::RotatedPath(DumpFilePath())))
                         .fileName()),
      this);
  m_dumpFile->setObjectName(QStringLiteral("dumpFile"));
  m_dumpFile->setWordWrap(true);
  m_dumpFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->setHorizontalSpacing(12);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(name, 0, 1);
  layout->addWidget(m_version, 0, 2);
  layout->addWidget(ok, 0, 3, Qt::AlignTop);
  layout->addWidget(contact, 1, 1, 1, 3);
  layout->addWidget(m_dumpFile, 2, 1, 1, 3);
  layout->setColumnStretch(2, 1);
  setMinimumWidth(460);
}

QString AboutDialog::VersionText() const {
  return m_version->text();
}
