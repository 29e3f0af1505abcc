#pragma once
// The most-recently-used file list of the File menu: four entries, newest first, kept in the
// settings under "Recent File List" as File1..File4.

#include <QString>
#include <QStringList>

class RecentFileList {
 public:
  static constexpr int kMaxEntries = 4;
  static constexpr int kMaxDisplayLength = 30;

  void ReadList();
  void WriteList() const;

  // Puts `path` first, dropping an older entry for the same file and the oldest beyond four.
  void Add(const QString& path);
  void Remove(int index);
  int GetSize() const { return static_cast<int>(m_files.size()); }
  const QString& operator[](int index) const { return m_files[index]; }
  const QStringList& Files() const { return m_files; }

  // The File menu's text for entry `index`: "&1 " and the path shortened for display, with
  // any '&' of the path doubled so that it shows as itself.
  QString GetMenuText(int index) const;

 private:
  QStringList m_files;
};

// Shortens a path to at most `maxLength` characters for display: root, "...", and as many of
// the last folders as fit before the file name; the file name alone when even that is too long
// (cut with "..." when the name itself is longer).
QString AbbreviatePath(const QString& path, int maxLength);
