#include "module/Module.h"

const char* TessorModuleVersion()
{
    return TESSOR_VERSION;
}
