#pragma once
// File names between Qt and the core: a QString carries the full Unicode name; the core takes a
// std::filesystem::path. On Windows the name goes through UTF-16 unchanged; elsewhere it becomes
// the file system's bytes the way Qt itself names files, so a name Qt listed opens as that file.

#include <QFile>
#include <QString>
#include <filesystem>

inline std::filesystem::path PathFromQString(const QString& name) {
#ifdef _WIN32
  return std::filesystem::path(name.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

inline QString QStringFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return QString::fromStdWString(path.native());
#else
  return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}
