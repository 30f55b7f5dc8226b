// Fresh DICOM unique identifiers, and the identity the project writes into the file meta
// information of every file it saves.
#pragma once

#include <string>

namespace imaging {

// The project's UID root: UUID-derived UIDs (2.25 followed by a 128-bit number in decimal)
// are globally unique without a registered organisation root, and never collide with the
// toolkit's example root that every other program built on it shares.
inline constexpr const char* kUidRoot = "2.25";
// Implementation Class UID (0002,0012) of the files the project writes: one fixed UUID.
inline constexpr const char* kImplementationClassUID = "2.25.210432562080580133464176385549357721654";

// A new globally unique UID under kUidRoot (at most 44 characters).
std::string GenerateUniqueUID();

// Implementation Version Name (0002,0013) of saved files, at most 16 characters; set once
// by the module with its version ("TESSOR_1.2.3"). Until then the toolkit's identity
// stays, as it does for the layer's own tests.
void SetImplementationVersionName(const std::string& name);
const std::string& GetImplementationVersionName();

}  // namespace imaging
