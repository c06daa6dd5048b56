#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "ui/message_box.h"

namespace kivo {
namespace {

// The save dialog puts the extension on the name typed into it (Enter, with
// the name field's focus) before it asks whether to replace a file, so it
// asks about the file that will be written.
TEST(SaveFileDialog, AddsTheExtensionBeforeAskingToReplace) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FileRequest request;
  request.save = true;
  request.dir = dir.path();
  request.filter = QStringLiteral("Backup Files (*.bkf)");
  request.default_suffix = QStringLiteral("bkf");
  const QString target = dir.path() + QStringLiteral("/x.txt.bkf");
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    if (exists) {
      QFile file(target);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    std::unique_ptr<QFileDialog> dialog(MakeFileDialog(nullptr, request));
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QString asked;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      asked = box->text();
      box->button(QMessageBox::No)->click();
    });
    answer.start(0);
    QTest::keyClicks(dialog->focusWidget(), QStringLiteral("x.txt"));
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    answer.stop();
    if (exists) {
      EXPECT_TRUE(asked.contains(QStringLiteral("x.txt.bkf"))) << asked.toStdString();
      EXPECT_NE(dialog->result(), QDialog::Accepted);
    } else {
      EXPECT_TRUE(asked.isEmpty()) << asked.toStdString();
      EXPECT_EQ(dialog->result(), QDialog::Accepted);
      EXPECT_EQ(dialog->selectedFiles().value(0), target);
    }
  }
}

// With several filters the extension put on a name is the chosen filter's.
TEST(SaveFileDialog, TakesTheExtensionOfTheChosenFilter) {
  FileRequest request;
  request.save = true;
  request.filter = QStringLiteral("CSV Files, UTF-8 (*.csv);;vCard Files (*.vcf)");
  request.default_suffix = QStringLiteral("csv");
  for (const char* chosen : {"CSV Files, UTF-8 (*.csv)", "vCard Files (*.vcf)"}) {
    request.selected_filter = QString::fromLatin1(chosen);
    std::unique_ptr<QFileDialog> dialog(MakeFileDialog(nullptr, request));
    EXPECT_EQ(dialog->selectedNameFilter(), request.selected_filter);
    emit dialog->filterSelected(request.selected_filter);
    EXPECT_EQ(dialog->defaultSuffix(),
              request.selected_filter.section(QStringLiteral("*."), 1).chopped(1));
  }
}

}  // namespace
}  // namespace kivo
