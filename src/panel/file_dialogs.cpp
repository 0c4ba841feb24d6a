#include "panel/file_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace corvane {
namespace {

const char* const kScenarioFilters = "Exe Files(*.cvn);;All Files(*.*)";

// Runs one file dialog on `path`; a relative name is taken from the current
// directory. No suffix is ever added to a typed name.
bool runFileDialog(QFileDialog& dialog, std::string& path) {
    QFileInfo proposed(QFile::decodeName(QByteArray::fromStdString(path)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QString::fromLatin1(kScenarioFilters));
    dialog.selectNameFilter(dialog.nameFilters().first());
    dialog.setDefaultSuffix(QString());
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    path = QFile::encodeName(chosen.first()).toStdString();
    return true;
}

}  // namespace

bool QtFileDialogs::chooseOpenFile(QWidget* owner, std::string& path) {
    QFileDialog dialog(owner, QStringLiteral("開く"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog, path);
}

bool QtFileDialogs::chooseSaveFile(QWidget* owner, std::string& path) {
    QFileDialog dialog(owner, QStringLiteral("保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A new scene needs a name that does not exist yet; the dialog asks
    // before an existing file is replaced.
    dialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(dialog, path);
}

void QtFileDialogs::showFailure(QWidget* owner, const std::string& messageUtf8) {
    QMessageBox::warning(owner, QStringLiteral("corvane"), QString::fromStdString(messageUtf8));
}

}  // namespace corvane
