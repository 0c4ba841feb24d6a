#pragma once
// The panel's conversations with the user that block: choosing a scene file
// and being told that a scene could not be saved or loaded. Behind an
// interface so that tests can stand in for the user without a real dialog.

#include <string>

class QWidget;

namespace corvane {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Shows the open dialog on the name `path` holds. On a confirmed choice
    // `path` becomes the chosen file (UTF-8) and the result is true; on a
    // cancel `path` is unchanged and the result is false.
    virtual bool chooseOpenFile(QWidget* owner, std::string& path) = 0;
    // The same with the save dialog; a name that does not exist yet is
    // accepted, replacing an existing file is confirmed first.
    virtual bool chooseSaveFile(QWidget* owner, std::string& path) = 0;
    // Tells the user that something failed (UTF-8 text) and waits until read.
    virtual void showFailure(QWidget* owner, const std::string& messageUtf8) = 0;
};

// The dialogs of the desktop program: Qt's own file dialog (the same on
// every desktop, and drivable under a bare X server) and a message box.
class QtFileDialogs final : public FileDialogs {
  public:
    bool chooseOpenFile(QWidget* owner, std::string& path) override;
    bool chooseSaveFile(QWidget* owner, std::string& path) override;
    void showFailure(QWidget* owner, const std::string& messageUtf8) override;
};

}  // namespace corvane
