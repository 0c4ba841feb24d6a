// The real Qt dialogs, driven from a timer while they run modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "panel/file_dialogs.h"

namespace corvane {
namespace {

// Runs `act` on the modal dialog as soon as it is up.
void whenDialogShows(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

class QtFileDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string pathOf(const char* name) const {
        return QDir(dir.path()).absoluteFilePath(QString::fromUtf8(name)).toStdString();
    }

    QTemporaryDir dir;
    QtFileDialogs dialogs;
};

TEST_F(QtFileDialogsTest, SaveDialogProposesTheNameAndTakesANewOneAsTyped) {
    std::string path = pathOf("def.cvn");
    QString title, proposed, directory, suffix, filter;
    QStringList filters;
    whenDialogShows([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        filter = dialog.selectedNameFilter();
        suffix = dialog.defaultSuffix();
        directory = dialog.directory().absolutePath();
        proposed = dialog.selectedFiles().value(0);
        dialog.selectFile(QStringLiteral("新しい場面"));
        static_cast<QDialog&>(dialog).accept();  // public in QDialog
    });
    ASSERT_TRUE(dialogs.chooseSaveFile(nullptr, path));

    EXPECT_EQ(title, QStringLiteral("保存"));
    EXPECT_EQ(filters, (QStringList{"Exe Files(*.cvn)", "All Files(*.*)"}));
    EXPECT_EQ(filter, QStringLiteral("Exe Files(*.cvn)"));
    EXPECT_TRUE(suffix.isEmpty());
    EXPECT_EQ(directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(proposed.toStdString(), pathOf("def.cvn"));
    EXPECT_EQ(path, pathOf("新しい場面"));
}

TEST_F(QtFileDialogsTest, CancelledOpenDialogKeepsThePath) {
    std::string path = pathOf("def.cvn");
    QString title;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    whenDialogShows([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        mode = dialog.fileMode();
        dialog.reject();
    });
    EXPECT_FALSE(dialogs.chooseOpenFile(nullptr, path));
    EXPECT_EQ(title, QStringLiteral("開く"));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(path, pathOf("def.cvn"));
}

TEST_F(QtFileDialogsTest, RelativeNameOpensInTheCurrentDirectory) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    std::string path = "def.cvn";
    QString directory;
    whenDialogShows([&](QFileDialog& dialog) {
        directory = dialog.directory().absolutePath();
        dialog.reject();
    });
    EXPECT_FALSE(dialogs.chooseOpenFile(nullptr, path));
    QDir::setCurrent(previous);
    EXPECT_EQ(directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(path, "def.cvn");
}

TEST_F(QtFileDialogsTest, FailureIsShownUntilTheUserClosesIt) {
    QString text;
    QTimer::singleShot(0, [&text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->accept();
    });
    dialogs.showFailure(nullptr, "シーンを保存できませんでした。");
    EXPECT_EQ(text, QStringLiteral("シーンを保存できませんでした。"));
}

}  // namespace
}  // namespace corvane
