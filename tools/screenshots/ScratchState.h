#pragma once
// A picture-taking run keeps its settings and dump file in a scratch folder, never the user's.

#include <QFile>
#include <QTemporaryDir>

class ScratchState {
 public:
  ScratchState() {
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath("state")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
  }
  QString FilePath(const QString& name) const { return m_dir.filePath(name); }

 private:
  QTemporaryDir m_dir;
};
