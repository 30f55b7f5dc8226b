// libtessor, the stitching module as a shared library.
#pragma once

// The module's version text, "major.minor.patch".
const char* TessorModuleVersion();
