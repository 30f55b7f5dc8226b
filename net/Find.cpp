// Study Root C-FIND: studies first, then the series of each study.
#include "net/ScuSession.h"
#include "net/Services.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <memory>

namespace net {

using namespace detail;

namespace {

// Stops reading matches after kMaxFindMatches; the caller then aborts the association.
class BoundedFindScu : public DcmSCU {
public:
    size_t matches = 0;
    bool truncated = false;

    OFCondition handleFINDResponse(const T_ASC_PresentationContextID presID, QRResponse* response,
                                   OFBool& waitForNextResponse) override
    {
        const OFCondition condition = DcmSCU::handleFINDResponse(presID, response, waitForNextResponse);
        if (response->m_dataset != nullptr && ++matches >= kMaxFindMatches && waitForNextResponse) {
            truncated = true;
            waitForNextResponse = OFFalse;
        }
        return condition;
    }
};

// Owns the responses DCMTK hands back as raw pointers.
struct Responses {
    OFList<QRResponse*> list;
    ~Responses()
    {
        for (QRResponse* response : list)
            delete response;
    }
};

std::string Text(DcmDataset& set, const DcmTagKey& key)
{
    OFString value;
    set.findAndGetOFStringArray(key, value);
    return value.c_str();
}

void PutKeys(DcmDataset& keys, const std::vector<std::pair<DcmTagKey, std::string>>& values)
{
    for (const auto& [key, value] : values)
        keys.putAndInsertString(key, value.c_str());
}

// Sends one query and calls `each` with every matching data set.
template <class Each>
NetResult Query(BoundedFindScu& scu, DcmDataset& keys, Each each)
{
    const T_ASC_PresentationContextID context =
        scu.findPresentationContextID(UID_FINDStudyRootQueryRetrieveInformationModel, "");
    Responses responses;
    scu.matches = 0;
    const OFCondition condition = scu.sendFINDRequest(context, &keys, &responses.list);
    if (condition.bad())
        return {false, "C-FIND failed: " + OneLine(condition)};
    for (QRResponse* response : responses.list) {
        if (response->m_dataset != nullptr && (response->m_status == 0xFF00 || response->m_status == 0xFF01))
            each(*response->m_dataset);
        else if (response->m_status != 0 && response->m_status != 0xFF00 && response->m_status != 0xFF01)
            return {false, "C-FIND refused with status " + StatusText(response->m_status)};
    }
    return {true, {}};
}

NetResult FindStudies(BoundedFindScu& scu, const FindQuery& query, std::vector<StudyRecord>& studies)
{
    DcmDataset keys;
    PutKeys(keys, {{DCM_QueryRetrieveLevel, "STUDY"},
                   {DCM_PatientID, query.patientId},
                   {DCM_PatientName, ""},
                   {DCM_StudyInstanceUID, query.studyUid},
                   {DCM_StudyDate, ""},
                   {DCM_AccessionNumber, ""},
                   {DCM_StudyDescription, ""},
                   {DCM_ModalitiesInStudy, query.modality}});
    return Query(scu, keys, [&studies](DcmDataset& match) {
        studies.push_back({Text(match, DCM_PatientID), Text(match, DCM_PatientName),
                           Text(match, DCM_StudyInstanceUID), Text(match, DCM_StudyDate),
                           Text(match, DCM_AccessionNumber), Text(match, DCM_StudyDescription), {}});
    });
}

NetResult FindSeries(BoundedFindScu& scu, const FindQuery& query, StudyRecord& study)
{
    DcmDataset keys;
    PutKeys(keys, {{DCM_QueryRetrieveLevel, "SERIES"},
                   {DCM_StudyInstanceUID, study.studyUid},
                   {DCM_SeriesInstanceUID, ""},
                   {DCM_Modality, query.modality},
                   {DCM_SeriesNumber, ""},
                   {DCM_SeriesDescription, ""},
                   {DCM_NumberOfSeriesRelatedInstances, ""}});
    return Query(scu, keys, [&study](DcmDataset& match) {
        study.series.push_back({Text(match, DCM_SeriesInstanceUID), Text(match, DCM_Modality),
                                Text(match, DCM_SeriesNumber), Text(match, DCM_SeriesDescription),
                                Text(match, DCM_NumberOfSeriesRelatedInstances)});
    });
}

}  // namespace

FindResult Find(const Peer& peer, const AssociationSettings& settings, const FindQuery& query)
{
    FindResult found;
    BoundedFindScu scu;
    Configure(scu, peer, settings);
    scu.addPresentationContext(UID_FINDStudyRootQueryRetrieveInformationModel, UncompressedSyntaxes());
    found.result = Associate(scu, peer);
    if (!found.result.ok)
        return found;
    found.result = FindStudies(scu, query, found.studies);
    found.truncated = scu.truncated;
    // A study UID matched by a wildcard or a universal key gets its series; an empty UID
    // (a peer that did not return it) cannot be asked about.
    for (StudyRecord& study : found.studies) {
        if (!found.result.ok || scu.truncated || study.studyUid.empty())
            break;
        found.result = FindSeries(scu, query, study);
        found.truncated = found.truncated || scu.truncated;
    }
    Finish(scu, found.truncated || !found.result.ok);
    return found;
}

}  // namespace net
