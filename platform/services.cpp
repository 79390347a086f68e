#include "platform/services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QString>
#include <QStyleFactory>

#include <system_error>
#include <thread>
#include <utility>

#include "platform/qt_text.h"

namespace velmora::platform {

namespace {

QString ToQPath(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

bool WriteAll(QIODevice& device, const Bytes& bytes) {
  if (bytes.empty()) return true;
  const auto size = static_cast<qint64>(bytes.size());
  return device.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

}  // namespace

bool StartThread(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

Text RunDirectory() {
  if (QCoreApplication::instance() == nullptr) return {};
  return FromQString(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

std::filesystem::path RunDirectoryPath() {
  if (QCoreApplication::instance() == nullptr) return {};
  return std::filesystem::path(
      QCoreApplication::applicationDirPath().toStdU16String());
}

bool WriteFile(const std::filesystem::path& path, const std::vector<Bytes>& buffers) {
  if (path.empty()) return false;
  QFile file(ToQPath(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  for (const Bytes& buffer : buffers) {
    if (!WriteAll(file, buffer)) return false;
  }
  file.close();
  return file.error() == QFileDevice::NoError;
}

bool ReplaceFileAtomically(const std::filesystem::path& path, const Bytes& bytes) {
  if (path.empty()) return false;
  QSaveFile file(ToQPath(path));
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!WriteAll(file, bytes)) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool RunProgram(const Text& commandLine, bool wait) {
  QStringList arguments = QProcess::splitCommand(ToQString(commandLine));
  if (arguments.isEmpty()) return false;
  const QString program = arguments.takeFirst();
  if (!wait) return QProcess::startDetached(program, arguments);
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(-1)) return false;
  process.waitForFinished(-1);
  return process.exitStatus() == QProcess::NormalExit;
}

void ProcessPendingEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ApplySkin(int /*style*/) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

}  // namespace velmora::platform
