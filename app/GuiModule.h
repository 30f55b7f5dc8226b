// The program's window module: tessor gui's dialog lives in a module of its own, opened
// only by that command, so that every other command starts without the window system
// (Qt, fonts, the dialog and its libraries are never loaded).
#pragma once

#include "app/SourceOptions.h"

#include <string>

#define TESSOR_GUI_ENTRY __attribute__((visibility("default")))

namespace app {

// The module's file name; it lies beside the program.
inline constexpr const char* kGuiModuleName = "libtessor_app_window.so";
// The one symbol the module exports: int tessor_run_gui(const app::GuiOptions*).
inline constexpr const char* kGuiEntryName = "tessor_run_gui";
using GuiEntry = int (*)(const GuiOptions*);

// The module's path beside the running program's executable ("" when it cannot be told).
std::string GuiModulePath();

}  // namespace app
