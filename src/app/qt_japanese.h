#pragma once
// Qt's own texts (file dialogs, their questions, message-box buttons) in
// Japanese, like the rest of the program, whatever the system's language.

namespace corvane {

// Loads and installs Qt's Japanese translation (qtbase_ja.qm from Qt's
// translations folder). False when it is not installed: Qt's texts then
// stay English.
bool installQtJapanese();

}  // namespace corvane
