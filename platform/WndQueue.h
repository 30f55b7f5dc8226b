// Platform-private access to the message queue (modal loops, input translation).
#pragma once

#include "platform/WinMessages.h"

namespace wndqueue {
// Appends a message (input or posted) and makes sure it gets dispatched.
void PostInput(const MSG& msg);
bool IsEmpty();
// Counts dispatched messages that end an idle period; modal loops compare it.
unsigned DispatchCount();
}  // namespace wndqueue
