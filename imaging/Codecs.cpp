#include "imaging/Codecs.h"

#include "imaging/DataDictionary.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdict.h"
#include "dcmtk/dcmdata/dcrledrg.h"
#include "dcmtk/dcmdata/dcrleerg.h"
#include "dcmtk/dcmjpeg/djdecode.h"
#include "dcmtk/dcmjpeg/djencode.h"
#include "dcmtk/dcmjpls/djdecode.h"
#include "dcmtk/dcmjpls/djencode.h"
#include "dcmtk/oflog/oflog.h"

namespace imaging {
namespace {

struct ToolkitRegistration {
    ToolkitRegistration()
    {
        OFLog::configure(OFLogger::FATAL_LOG_LEVEL);
        DJDecoderRegistration::registerCodecs();
        DJEncoderRegistration::registerCodecs();
        DJLSDecoderRegistration::registerCodecs();
        // Raw mode encodes the stored samples as they are. The default "cooked" mode
        // goes through DicomImage, and DCMTK's bundled CharLS aborts the process on the
        // signed samples it hands over.
        DJLSEncoderRegistration::registerCodecs(0, 0, 0, 0, /*preferCookedEncoding=*/OFFalse);
        DcmRLEDecoderRegistration::registerCodecs();
        DcmRLEEncoderRegistration::registerCodecs();
    }
    ~ToolkitRegistration()
    {
        DcmRLEEncoderRegistration::cleanup();
        DcmRLEDecoderRegistration::cleanup();
        DJLSEncoderRegistration::cleanup();
        DJLSDecoderRegistration::cleanup();
        DJEncoderRegistration::cleanup();
        DJDecoderRegistration::cleanup();
    }
};

}  // namespace

bool EnsureToolkitReady(std::string* reason)
{
    LoadBuiltinDictionary();
    static ToolkitRegistration registration;
    if (!dcmDataDict.isDictionaryLoaded()) {
        if (reason)
            *reason = "the DICOM data dictionary named by DCMDICTPATH cannot be read";
        return false;
    }
    return true;
}

}  // namespace imaging
