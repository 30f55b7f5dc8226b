#include "imaging/Uid.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcuid.h"

namespace imaging {

std::string GenerateUniqueUID()
{
    char uid[100] = {};
    dcmGenerateUniqueIdentifier(uid, SITE_INSTANCE_UID_ROOT);
    return uid;
}

}  // namespace imaging
