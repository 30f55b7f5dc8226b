// tessor sample: writes a synthetic long-length study.
#include "app/Commands.h"
#include "app/SampleStudy.h"

#include <cstdio>

namespace app {

int RunSample(const SampleCommandOptions& o)
{
    if (const std::string reason = sample::WriteSampleStudy(o.study, o.dir); !reason.empty())
        return Fail(reason);
    std::printf("wrote %d exposures of %d x %d pixels to %s\n", o.study.pieces, o.study.columns, o.study.rows,
                o.dir.c_str());
    return 0;
}

}  // namespace app
