#include "ui/single_instance.h"

#include <unistd.h>

#include <fstream>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/tables.h"
#include "ui/main_window.h"
#include "ui/startup.h"

namespace kivo {
namespace {

// A name no other test run shares.
QString TestInstanceName(const char* what) {
  return QStringLiteral("kivo-test-%1-%2").arg(::getpid()).arg(QString::fromLatin1(what));
}

TEST(SingleInstance, SecondCopyHandsOverToTheFirst) {
  const QString name = TestInstanceName("pair");
  SingleInstance first(name);
  ASSERT_TRUE(first.Acquire());
  QSignalSpy raised(&first, &SingleInstance::HandOverRequested);
  SingleInstance second(name);
  EXPECT_FALSE(second.Acquire());
  QTRY_COMPARE(raised.count(), 1);
  // Once the first ends, the next start runs.
  first.Release();
  SingleInstance third(name);
  EXPECT_TRUE(third.Acquire());
}

TEST(SingleInstance, LockAndSocketLiveInTheUsersRuntimeFolder) {
  QTemporaryDir run;  // owner-only, as a session's runtime folder is
  ASSERT_TRUE(run.isValid());
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", run.path().toLocal8Bit());
  const QString name = TestInstanceName("runtime");
  {
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    EXPECT_EQ(SingleInstance::LockFilePath(name), run.filePath(name + ".lock"));
    EXPECT_TRUE(QFile::exists(run.filePath(name + ".lock")));
    EXPECT_TRUE(QFile::exists(first.SocketPath()));
    EXPECT_EQ(QFileInfo(first.SocketPath()).absolutePath(), run.path());
    EXPECT_FALSE(SingleInstance(name).Acquire());
  }
  if (saved.isNull()) {
    qunsetenv("XDG_RUNTIME_DIR");
  } else {
    qputenv("XDG_RUNTIME_DIR", saved);
  }
}

TEST(SingleInstance, StaleLockOfACrashedCopyDoesNotBlock) {
  const QString name = TestInstanceName("stale");
  // A process that has ended leaves its lock behind as a crash would.
  QProcess gone;
  gone.start(QStringLiteral("true"), {});
  ASSERT_TRUE(gone.waitForFinished(5000));
  const qint64 dead_pid = gone.processId() > 0 ? gone.processId() : 999999;
  {
    QFile lock(SingleInstance::LockFilePath(name));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(QStringLiteral("%1\nKivo-LinkUtility\n%2\n")
                   .arg(dead_pid)
                   .arg(QSysInfo::machineHostName())
                   .toUtf8());
  }
  SingleInstance next(name);
  EXPECT_TRUE(next.Acquire());
}

TEST(SingleInstance, LockOfARunningCopyBlocks) {
  const QString name = TestInstanceName("live");
  {
    QFile lock(SingleInstance::LockFilePath(name));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(QStringLiteral("%1\n%2\n%3\n")
                   .arg(QCoreApplication::applicationPid())
                   .arg(QCoreApplication::applicationFilePath())
                   .arg(QSysInfo::machineHostName())
                   .toUtf8());
  }
  SingleInstance next(name);
  EXPECT_FALSE(next.Acquire());
  QFile::remove(SingleInstance::LockFilePath(name));
}

TEST(SingleInstance, SecondProgramStartRestoresTheMinimisedWindow) {
  QTemporaryDir files;
  ASSERT_TRUE(files.isValid());
  MainWindowPaths paths;
  paths.files_dir = files.path().toStdString();
  paths.tables_dir = KIVO_PROGRAM_DIR;
  const QString name = TestInstanceName("program");
  SingleInstance instance(name);
  ASSERT_TRUE(instance.Acquire());
  MainCommands commands(paths, ProgramTables());
  MainWindow window(commands);
  QObject::connect(&instance, &SingleInstance::HandOverRequested, &window,
                   &MainWindow::BringToFront);
  window.showMinimized();
  QTRY_VERIFY(window.isMinimized());

  QProcess second;
  second.start(QStringLiteral(KIVO_PROGRAM_DIR "/Kivo-LinkUtility"),
               {QStringLiteral("--instance"), name, QStringLiteral("--config-dir"), files.path()});
  ASSERT_TRUE(second.waitForFinished(15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  QTRY_VERIFY(!window.isMinimized());
  // The second copy wrote nothing: no settings file appeared.
  EXPECT_FALSE(QFile::exists(files.filePath(QStringLiteral("Kivo-LinkUtility.ini"))));
}

TEST(Startup, ReadsItsOptions) {
  const StartupOptions options = ParseStartupOptions(
      {"prog", "--config-dir", "/tmp/a", "--stray", "--instance", "x", "--tables-dir", "/t"});
  EXPECT_EQ(options.files_dir, std::filesystem::path("/tmp/a"));
  EXPECT_EQ(options.tables_dir, std::filesystem::path("/t"));
  EXPECT_EQ(options.instance_name, QStringLiteral("x"));
  EXPECT_TRUE(ParseStartupOptions({"prog", "--config-dir"}).files_dir.empty());
}

TEST(Startup, TerminationClosesTheWindowAndKeepsTheRecords) {
  QTemporaryDir files;
  ASSERT_TRUE(files.isValid());
  const std::filesystem::path dir = files.path().toStdString();
  std::ofstream(dir / "Kivo-LinkUtility.ini") << "[Settings]\r\nAppliID=3\r\n";
  const QString name = TestInstanceName("term");
  QProcess program;
  program.start(QStringLiteral(KIVO_PROGRAM_DIR "/Kivo-LinkUtility"),
                {QStringLiteral("--instance"), name, QStringLiteral("--config-dir"), files.path()});
  ASSERT_TRUE(program.waitForStarted(5000));
  // The lock exists once the signal handlers are in place.
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(SingleInstance::LockFilePath(name)), 10000);
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(10000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  // Closing wrote the working data file and the settings.
  EXPECT_TRUE(std::filesystem::exists(dir / "Kivo-LinkUtility.dat"));
  std::ifstream settings(dir / "Kivo-LinkUtility.ini");
  const std::string text((std::istreambuf_iterator<char>(settings)),
                         std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("AppliID=3"), std::string::npos) << text;
  EXPECT_NE(text.find("BackupDir="), std::string::npos) << text;
}

}  // namespace
}  // namespace kivo
