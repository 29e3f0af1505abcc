#include "RecentFileList.h"

#include <QDir>
#include <QFileInfo>

#include "common/Settings.h"
#include "common/SettingsKeys.h"

namespace {

bool SameFile(const QString& a, const QString& b) {
#if defined(Q_OS_WIN)
  return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
#else
  return QDir::cleanPath(a) == QDir::cleanPath(b);
#endif
}

bool IsSeparator(QChar c) {
#if defined(Q_OS_WIN)
  return c == u'\\' || c == u'/';
#else
  return c == u'/';
#endif
}

}  // namespace

void RecentFileList::ReadList() {
  m_files.clear();
  auto settings = OpenSettings();
  settings->beginGroup(meterlog2::common::kRecentFileGroup);
  for (int i = 1; i <= kMaxEntries; ++i) {
    const QString file = settings->value(meterlog2::common::RecentFileKey(i)).toString();
    if (!file.isEmpty()) m_files.append(file);
  }
  settings->endGroup();
}

void RecentFileList::WriteList() const {
  auto settings = OpenSettings();
  settings->beginGroup(meterlog2::common::kRecentFileGroup);
  for (int i = 1; i <= kMaxEntries; ++i) {
    const QString key = meterlog2::common::RecentFileKey(i);
    if (i <= m_files.size())
      settings->setValue(key, m_files[i - 1]);
    else
      settings->remove(key);
  }
  settings->endGroup();
}

void RecentFileList::Add(const QString& path) {
  const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  for (int i = static_cast<int>(m_files.size()) - 1; i >= 0; --i)
    if (SameFile(m_files[i], full)) m_files.removeAt(i);
  m_files.prepend(full);
  while (m_files.size() > kMaxEntries) m_files.removeLast();
}

void RecentFileList::Remove(int index) {
  if (index >= 0 && index < m_files.size()) m_files.removeAt(index);
}

QString RecentFileList::GetMenuText(int index) const {
  QString name = AbbreviatePath(m_files[index], kMaxDisplayLength);
  name.replace(QLatin1Char('&'), QLatin1String("&&"));
  return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

QString AbbreviatePath(const QString& path, int maxLength) {
  if (path.size() <= maxLength) return path;
  const int maxLen = std::max(maxLength, 4);

  // The root stays: "/", "C:\" or "\\server\share\".
  qsizetype rootEnd = 0;
  if (path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"))) {
    int seps = 0;
    for (qsizetype i = 2; i < path.size(); ++i)
      if (IsSeparator(path[i]) && ++seps == 2) {
        rootEnd = i + 1;
        break;
      }
  } else if (path.size() >= 3 && path[1] == u':' && IsSeparator(path[2])) {
    rootEnd = 3;
  } else if (!path.isEmpty() && IsSeparator(path[0])) {
    rootEnd = 1;
  }
  qsizetype nameStart = path.size();
  while (nameStart > rootEnd && !IsSeparator(path[nameStart - 1])) --nameStart;
  const QString name = path.mid(nameStart);
  if (name.size() > maxLen) return name.left(maxLen - 3) + QLatin1String("...");

  const QString root = path.left(rootEnd);
  const QChar sep = nameStart > 0 ? path[nameStart - 1] : QChar(u'/');
  const QString ellipsis = QLatin1String("...") + sep;
  if (root.size() + ellipsis.size() + name.size() > maxLen) return name;

  // Add whole folders from the end while they fit.
  qsizetype tailStart = nameStart;
  while (tailStart > rootEnd) {
    qsizetype prev = tailStart - 1;  // the separator before the current tail
    while (prev > rootEnd && !IsSeparator(path[prev - 1])) --prev;
    const qsizetype length = root.size() + ellipsis.size() + (path.size() - prev);
    if (prev <= rootEnd || length > maxLen) break;
    tailStart = prev;
  }
  return root + ellipsis + path.mid(tailStart);
}
