#pragma once
// Ties the running program to its installed launcher.

namespace corvane {

// The application id that names the desktop entry (so a desktop groups the
// windows under the launcher), the version, and the launcher's icon on every
// window. Call once the application object exists.
void applyDesktopIdentity();

}  // namespace corvane
