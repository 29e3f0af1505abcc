#include "LogSession.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/WaitCursor.h"
#include "log/LogSearch.h"

namespace meterlog2::app {

namespace {

// The loader's own message, then what is wrong in words after the file's name.
QString LoadFailureText(const QString& path, const LoadResult& result) {
  QString text = QString::fromStdString(result.message);
  if (!result.problem.empty())
    text += QStringLiteral("\n\n%1 %2.")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(result.problem));
  return text;
}

}  // namespace

bool LogSession::Open(const QString& path, QWidget* window) {
  CMeterlog2Doc loaded;
  LoadResult result;
  {
    WaitCursor wait;
    result = loaded.Load(PathFromQString(path));
  }
  // A file cut short (a download that broke off) still holds its complete records: offered in
  // one question, never taken without asking.
  if (result.status == LoadResult::Status::kFileSize && result.completeRecords > 0) {
    const QString question =
        LoadFailureText(path, result) +
        QStringLiteral("\n\nOpen the %1 complete records?").arg(result.completeRecords);
    if (AskYesNo(window, question, true)) {
      WaitCursor wait;
      result = loaded.Load(PathFromQString(path), true);
    } else {
      result.message.clear();  // answered: nothing more to say
      result.problem.clear();
    }
  }
  m_lastLoadStatus = result.status;
  if (result.status != LoadResult::Status::kLoaded) {
    if (!result.message.empty()) ShowMessage(window, LoadFailureText(path, result));
    return false;
  }
  m_doc = std::move(loaded);
  m_declaredRecords = result.salvaged ? result.declaredRecords : 0;
  m_strPath = path;
  m_strFileName = QFileInfo(path).fileName();
  m_bOtherFormatHint = OtherDataFormatLooksRight(m_doc);
  emit LogReplaced();
  return true;
}

void LogSession::Close() {
  m_doc.OnNewDocument();
  m_declaredRecords = 0;
  m_strPath.clear();
  m_strFileName.clear();
  m_bOtherFormatHint = OtherDataFormatLooksRight(m_doc);
  emit LogReplaced();
}

bool LogSession::SetDataFormat(uint32_t value) {
  if (m_doc.SetDataFormat(value) == -1) return false;
  m_bOtherFormatHint = OtherDataFormatLooksRight(m_doc);
  emit DataFormatChanged();
  return true;
}

}  // namespace meterlog2::app
