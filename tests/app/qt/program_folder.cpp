#include "program_folder.hpp"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace rinomina {
namespace {

void WriteFile(const QString& path, const QByteArray& contents) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
}

}  // namespace

ProgramFolder::ProgramFolder(Target target) {
  const QDir root(dir_.path());
  root.mkdir(QStringLiteral("Originali"));
  if (target == Target::kPresent) root.mkdir(QStringLiteral("Modificati"));
  const QMap<QString, QByteArray> originals = originalFiles();
  for (auto file = originals.cbegin(); file != originals.cend(); ++file) {
    WriteFile(root.filePath(QStringLiteral("Originali/") + file.key()), file.value());
  }
}

std::filesystem::path ProgramFolder::path() const {
  return std::filesystem::path(QFile::encodeName(dir_.path()).toStdString());
}

QMap<QString, QByteArray> ProgramFolder::files(const QString& subfolder) const {
  const QDir folder(QDir(dir_.path()).filePath(subfolder));
  QMap<QString, QByteArray> files;
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read a file");
    files.insert(name, file.readAll());
  }
  return files;
}

QMap<QString, QByteArray> ProgramFolder::originalFiles() {
  return {
      {QStringLiteral("foto_01.jpg"), "foto uno"},
      {QStringLiteral("foto_02.jpg"), "foto due"},
      {QStringLiteral("documento_01.txt"), "documento"},
      {QStringLiteral(".nascosto_01"), "nascosto"},
      {QStringLiteral("città 01.txt"), "città"},
  };
}

}  // namespace rinomina
