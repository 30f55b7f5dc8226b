// The DICOM services tessor uses as a service user: verification, storage and query.
// Each call opens one association with the peer, bounded in time by the settings'
// timeout, and closes it before returning. DCMTK-free.
#pragma once

#include "net/Peer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace net {

// C-ECHO.
NetResult Echo(const Peer& peer, const AssociationSettings& settings);

struct FileSendStatus {
    std::string file;
    bool stored = false;
    std::string status;  // "stored", "stored with warning 0xB000", or why not
    std::string sopInstanceUid;
};

struct SendResult {
    NetResult association;  // ok when the association was established
    std::vector<FileSendStatus> files;  // one per file given, in order
    bool AllStored() const;
};

// C-STORE of every file, each proposed in its own transfer syntax with the uncompressed
// ones as a fallback (the file is converted when the peer accepts only those). Files
// that are not DICOM are reported and skipped; the others still go.
SendResult Send(const Peer& peer, const AssociationSettings& settings, const std::vector<std::string>& files);

struct FindQuery {
    std::string patientId;  // empty: any; DICOM wildcards * and ? allowed
    std::string studyUid;
    std::string modality;  // matched against the study's modalities and the series' modality
};

struct SeriesRecord {
    std::string seriesUid, modality, seriesNumber, description, instances;
};

struct StudyRecord {
    std::string patientId, patientName, studyUid, studyDate, accession, description;
    std::vector<SeriesRecord> series;
};

struct FindResult {
    NetResult result;
    std::vector<StudyRecord> studies;
    bool truncated = false;  // more matches than kMaxFindMatches at some level
};

// The most matches read at one level; the rest are cancelled.
constexpr size_t kMaxFindMatches = 1000;

// C-FIND at study level (Study Root), then at series level for each study found.
FindResult Find(const Peer& peer, const AssociationSettings& settings, const FindQuery& query);

struct FetchRequest {
    std::string studyUid;   // required
    std::string seriesUid;  // empty: the whole study
    // C-MOVE instead of C-GET: the peer sends to this AE title, which it must know as us at
    // `receivePort` of this machine; we listen there while the retrieval runs.
    std::string moveDestination;
    std::uint16_t receivePort = 0;
};

struct FetchResult {
    NetResult result;  // ok when the peer completed the retrieval without failures
    std::vector<std::string> files;  // written, in order of arrival
    size_t failed = 0;  // instances the peer reported as failed or we could not write
};

// Called after each instance arrives: how many arrived and how many the peer still has
// to send (0 when it does not say).
using FetchProgress = std::function<void(size_t received, size_t remaining)>;

// The most instances one fetch writes; the retrieval is cancelled beyond.
constexpr size_t kMaxFetchInstances = 100000;

// C-GET (or C-MOVE, see FetchRequest) of a study or series (Study Root). Each instance is written to `dir` as
// <SOP Instance UID>.dcm in the transfer syntax it arrived in, through a temporary file
// renamed into place, so a file there is always complete. `dir` must exist.
FetchResult Fetch(const Peer& peer, const AssociationSettings& settings, const FetchRequest& request,
                  const std::string& dir, const FetchProgress& progress = {});

}  // namespace net
