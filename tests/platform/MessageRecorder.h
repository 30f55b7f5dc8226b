// Test helpers for the window system: a window that records its messages, a loop runner
// with a watchdog, and message names for readable failures.
#pragma once

#include "platform/Wnd.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <functional>
#include <string>
#include <vector>

// Readable rectangles and points in failure messages.
inline void PrintTo(const CRect& r, std::ostream* os) { *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")"; }
inline void PrintTo(const CPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
inline void PrintTo(const CSize& s, std::ostream* os) { *os << "(" << s.cx << " x " << s.cy << ")"; }

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

// A shared log; every recording window appends what reaches its WindowProc.
using MessageLog = std::vector<RecordedMessage>;

// The whole sequence of messages in the log (those of `hwnd` only, when given), in arrival
// order. Tests compare it in full, so that an extra or missing message fails, and compare
// it with the empty sequence where nothing may arrive.
inline std::vector<UINT> Sequence(const MessageLog& log, HWND hwnd = nullptr)
{
    std::vector<UINT> out;
    for (const RecordedMessage& m : log)
        if (hwnd == nullptr || m.hwnd == hwnd)
            out.push_back(m.message);
    return out;
}

// Keeps only the messages in `wanted` (in arrival order).
inline std::vector<UINT> Filter(const MessageLog& log, const std::vector<UINT>& wanted, HWND hwnd = nullptr)
{
    std::vector<UINT> out;
    for (const RecordedMessage& m : log)
        if ((hwnd == nullptr || m.hwnd == hwnd) &&
            std::find(wanted.begin(), wanted.end(), m.message) != wanted.end())
            out.push_back(m.message);
    return out;
}

class CRecorderWnd : public CWnd {
public:
    explicit CRecorderWnd(MessageLog* log) : m_pLog(log) {}
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)> m_handler;  // may take a message
    std::function<bool(MSG*)> m_preTranslate;                         // may consume a queued message
    bool m_bPostNcDestroyCalled = false;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_pLog != nullptr)
            m_pLog->push_back(RecordedMessage{m_hWnd, message, wParam, lParam});
        LRESULT result = 0;
        if (m_handler && m_handler(message, wParam, lParam, &result))
            return result;
        return CWnd::WindowProc(message, wParam, lParam);
    }

    BOOL PreTranslateMessage(MSG* pMsg) override { return m_preTranslate && m_preTranslate(pMsg); }

protected:
    void PostNcDestroy() override { m_bPostNcDestroyCalled = true; }

private:
    MessageLog* m_pLog;
};

// Pumps messages until done() holds or the watchdog (in milliseconds) runs out.
inline bool PumpUntil(const std::function<bool()>& done, int watchdogMs = 3000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(watchdogMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        PumpWaitingMessages();
    }
    return true;
}
