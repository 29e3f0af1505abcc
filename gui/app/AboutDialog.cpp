#include "AboutDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "DumpStatus.h"
#include "ToolbarIcons.h"
#include "VersionText.h"
#include "log/DumpWriter.h"

using meterlog2::log::DumpFilePath;
using meterlog2::log::DumpWriter;

AboutDialog::AboutDialog(QWidget* parent, const DumpWriter* dump) : QDialog(parent) {
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
  static const DumpWriter idle;
  m_dumpFile = new QLabel(DumpAboutText(dump ? *dump : idle, DumpFilePath()), this);
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
