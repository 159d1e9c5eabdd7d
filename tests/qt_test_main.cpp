// Runs the window tests inside one QApplication on Qt's offscreen platform, so they need no
// display and behave the same on every machine.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The windows keep their layout in the desktop's per-user settings; the person's own are never
  // touched. The window fixture points them at each test's folder in turn.
  const QTemporaryDir desktop_settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, desktop_settings.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
