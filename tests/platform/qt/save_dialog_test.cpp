#include <gtest/gtest.h>

#include <QFileDialog>

#include "qt_fixture.h"
#include "support/temp_dir.h"

namespace vdinv::platform::qt {
namespace {

TEST_F(QtFixture, TheSaveDialogFiltersByTheExtensionAndAddsItToABareName) {
  test::TempDir dir;
  QStringList filters;
  Soon([&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    dialog->selectFile(QString::fromStdString(dir.File("journal")));
    QMetaObject::invokeMethod(dialog, "accept");  // as the Save button does
  });
  EXPECT_EQ(toolkit_->AskSavePath("调试日志文件", "log"), dir.File("journal.log"));
  EXPECT_EQ(filters, QStringList{"调试日志文件 (*.log)"});

  Soon([] { QApplication::activeModalWidget()->close(); });
  EXPECT_EQ(toolkit_->AskSavePath("调试日志文件", "log"), std::nullopt);
}

}  // namespace
}  // namespace vdinv::platform::qt
