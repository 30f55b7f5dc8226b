// Inside the network seam only: the C-STORE handling every receiver of ours shares (the
// storage node's thread-pool workers and a C-MOVE's receiver), bounded in the bytes one data
// set and one association may bring.
#pragma once

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmnet/dcmtrans.h>
#include <dcmtk/dcmnet/scp.h>

#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <string>

namespace net::detail {

// Bytes a receiver takes in, 0 meaning no bound.
struct ReceiveLimits {
    std::uint64_t dataSetBytes = 0;      // one data set as it arrives
    std::uint64_t associationBytes = 0;  // every data set of one association together
};

// The socket under a toolkit connection, which the toolkit keeps protected: a pointer to
// the member taken through a derived class reads it without a copy of the object.
struct ConnectionSocket : DcmTransportConnection {
    static DcmNativeSocketType Of(DcmTransportConnection& connection)
    {
        return (connection.*(&ConnectionSocket::getSocket))();
    }
};

// Adds C-STORE handling to a DcmSCP (or DcmThreadSCP): each data set received is handed to
// StoreDataSet, whose status is the answer. A data set that grows past a limit while it
// arrives cannot be answered without reading it whole, so the connection is cut instead
// (the toolkit then aborts the association) and LimitCrossed says why; nothing of that
// data set is kept. Cutting needs the association, which SetAssociation hands over.
template <class Scp>
class StoreScp : public Scp {
protected:
    // The status to answer for a complete data set (STATUS_Success when it was kept).
    virtual Uint16 StoreDataSet(DcmDataset& set) = 0;
    // Once per association, when a limit was crossed; the connection is cut right after.
    virtual void LimitCrossed(const std::string& /*what*/) {}

    void SetLimits(const ReceiveLimits& limits) { m_limits = limits; }
    // The association being served, or nullptr; resets the byte count.
    void SetAssociation(T_ASC_Association* association)
    {
        m_association = association;
        m_associationBytes = 0;
        m_cut = false;
    }
    bool Cut() const { return m_cut; }

    OFCondition handleIncomingCommand(T_DIMSE_Message* message, const DcmPresentationContextInfo& info) override
    {
        if (message->CommandField != DIMSE_C_STORE_RQ)
            return Scp::handleIncomingCommand(message, info);
        T_DIMSE_C_StoreRQ& request = message->msg.CStoreRQ;
        m_dataSetBytes = 0;
        DcmDataset* incoming = nullptr;
        const OFCondition received = this->receiveSTORERequest(request, info.presentationContextID, incoming);
        const std::unique_ptr<DcmDataset> owned(incoming);  // the toolkit hands it over
        m_associationBytes += m_dataSetBytes;
        if (received.bad() || m_cut)
            return received.bad() ? received : DIMSE_READPDVFAILED;
        const Uint16 status = owned ? StoreDataSet(*owned) : STATUS_STORE_Error_CannotUnderstand;
        return this->sendSTOREResponse(info.presentationContextID, request, status);
    }

    void notifyRECEIVEProgress(const unsigned long byteCount) override
    {
        m_dataSetBytes = byteCount;
        if (m_cut || m_association == nullptr)
            return;
        const auto over = [](std::uint64_t bytes, std::uint64_t limit) { return limit != 0 && bytes > limit; };
        std::string what;
        if (over(byteCount, m_limits.dataSetBytes))
            what = "a data set over " + std::to_string(m_limits.dataSetBytes) + " bytes";
        else if (over(m_associationBytes + byteCount, m_limits.associationBytes))
            what = "more than " + std::to_string(m_limits.associationBytes) + " bytes in one association";
        if (what.empty())
            return;
        m_cut = true;
        LimitCrossed(what);
        // The next read of the toolkit fails at once; it drops the association from there.
        if (DcmTransportConnection* connection = DUL_getTransportConnection(m_association->DULassociation))
            ::shutdown(ConnectionSocket::Of(*connection), SHUT_RDWR);
    }

private:
    ReceiveLimits m_limits;
    T_ASC_Association* m_association = nullptr;
    std::uint64_t m_dataSetBytes = 0;
    std::uint64_t m_associationBytes = 0;
    bool m_cut = false;
};

}  // namespace net::detail
