#include "app/Commands.h"

#include <cstdio>

namespace app {

int Fail(const std::string& reason)
{
    std::fprintf(stderr, "tessor: %s\n", reason.c_str());
    return 1;
}

}  // namespace app
