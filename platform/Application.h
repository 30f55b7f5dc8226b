// The process's GUI application object. Created once, before any window or text
// drawing; later calls return at once.
#pragma once

// Creates the GUI application (QT_QPA_PLATFORM chooses the display; tests use offscreen).
void InitGuiApplication(int& argc, char** argv);
// True once InitGuiApplication has run.
bool IsGuiApplicationReady();
