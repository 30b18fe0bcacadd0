#pragma once
// The system's window classes that the user interface uses.

namespace platform {

// Registers every common-control class (Windows: InitCommonControlsEx with the class mask 0xFF). Nothing to do
// elsewhere.
void RegisterCommonControls();

} // namespace platform
