// Shared by the harnesses: the input bytes as a file (the code under test reads paths),
// message boxes answered without a screen, DCMTK's chatter off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes the bytes to this process's scratch file and returns its path ("" on failure).
const std::string& WriteInput(const std::uint8_t* data, size_t size);

// Once per process: message boxes return IDOK at once.
void PrepareProcess();

}  // namespace fuzz
