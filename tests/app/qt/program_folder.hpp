// A throwaway program folder for the window tests: "Originali" with a few
// files and, unless asked otherwise, an empty "Modificati".
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>

namespace rinomina {

class ProgramFolder {
 public:
  enum class Target { kPresent, kMissing };

  explicit ProgramFolder(Target target = Target::kPresent);

  std::filesystem::path path() const;
  // File names (hidden ones too) and their contents in a subfolder, by name.
  QMap<QString, QByteArray> files(const QString& subfolder) const;
  // What "Originali" holds when the folder is made.
  static QMap<QString, QByteArray> originalFiles();

 private:
  QTemporaryDir dir_;
};

}  // namespace rinomina
