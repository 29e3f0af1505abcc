#pragma once
// The log the program has open: the one document, the file it came from and how it was opened
// (whole or salvaged), and the byte order it is read in. Opening asks about a file cut short and
// reports a failure; whoever shows the log follows it through the signals.

#include <QObject>
#include <QString>
#include <cstdint>

#include "log/CMeterlog2Doc.h"

class QWidget;

namespace meterlog2::app {

class LogSession : public QObject {
  Q_OBJECT
 public:
  explicit LogSession(QObject* parent = nullptr) : QObject(parent) {}

  // Reads `path` into a document of its own; only a file that opens replaces the log, so a
  // failure leaves the open one as it was. A file cut short is offered (its complete records)
  // in one question; a failure is told to the user under `window`. False when nothing opened.
  bool Open(const QString& path, QWidget* window);
  // No log: an empty, untitled document.
  void Close();
  // Reads the log in another byte order; false (and nothing changes) when the document refuses.
  bool SetDataFormat(uint32_t value);

  CMeterlog2Doc& Document() { return m_doc; }
  const CMeterlog2Doc& Document() const { return m_doc; }
  bool HasRecords() const { return m_doc.GetRecordCount() > 0; }
  // The file the log was read from (empty: none); exports and reports never write onto it.
  const QString& SourcePath() const { return m_strPath; }
  const QString& FileName() const { return m_strFileName; }
  // A log opened with fewer records than its file declares: the number it declares (else 0).
  uint32_t DeclaredRecords() const { return m_declaredRecords; }
  // How the last Open ended.
  LoadResult::Status LastLoadStatus() const { return m_lastLoadStatus; }
  // The other byte order reads better (judged whenever the log or its byte order changes).
  bool OtherFormatLooksRight() const { return m_bOtherFormatHint; }

 signals:
  // Another log is open, or none.
  void LogReplaced();
  // The same log is read in another byte order.
  void DataFormatChanged();

 private:
  CMeterlog2Doc m_doc;
  QString m_strPath;
  QString m_strFileName;
  uint32_t m_declaredRecords = 0;
  LoadResult::Status m_lastLoadStatus = LoadResult::Status::kLoaded;
  bool m_bOtherFormatHint = false;
};

}  // namespace meterlog2::app
