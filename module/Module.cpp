#include "module/Module.h"

#include "imaging/Uid.h"

#include <string>

namespace {
// Every file the module saves names it as the implementation that wrote it.
const bool g_bImplementationNamed =
    (imaging::SetImplementationVersionName(std::string("TESSOR_") + TESSOR_VERSION), true);
}  // namespace

const char* TessorModuleVersion()
{
    return TESSOR_VERSION;
}
