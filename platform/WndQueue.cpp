// The message queue: posted and input messages in arrival order, dispatched one at a
// time from Qt's event loop (so nested loops keep dispatching), then pending paints.
#include "platform/WndInternal.h"
#include "platform/WndQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <deque>

namespace {

std::deque<MSG>& Queue()
{
    static std::deque<MSG> queue;
    return queue;
}

MSG g_lastQueued{};          // the last message taken from the queue (time, position)
unsigned g_dispatchCount = 0;  // messages dispatched that end an idle period

// Receives the posted event that dispatches the next queued message.
class QueueDispatcher : public QObject {
public:
    bool m_bScheduled = false;

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        m_bScheduled = false;
        MSG msg{};
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateAndDispatch(msg);
            if (!Queue().empty())
                wnd::ScheduleProcessing();
        }
        if (Queue().empty())
            wnd::PaintPendingWindows();
        return true;
    }
};

QueueDispatcher& Dispatcher()
{
    static QueueDispatcher* dispatcher = new QueueDispatcher;  // lives as long as the process
    return *dispatcher;
}

// Messages that do not end an idle period (the framework's IsIdleMessage).
bool IsIdleMessage(const MSG& msg)
{
    static POINT lastMouse{-1, -1};
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        const bool same = msg.pt.x == lastMouse.x && msg.pt.y == lastMouse.y;
        lastMouse = msg.pt;
        return !same;
    }
    return msg.message != WM_PAINT && msg.message != 0x0118 && msg.message != WM_KICKIDLE;
}

}  // namespace

namespace wnd {

DWORD Now()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return static_cast<DWORD>(clock.elapsed());
}

void ScheduleProcessing()
{
    if (QCoreApplication::instance() == nullptr || Dispatcher().m_bScheduled)
        return;
    Dispatcher().m_bScheduled = true;
    QCoreApplication::postEvent(&Dispatcher(), new QEvent(QEvent::User));  // Qt owns the event
}

void RemoveQueuedMessages(HWND hwnd)
{
    auto& queue = Queue();
    std::erase_if(queue, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
}

}  // namespace wnd

namespace wndqueue {

void PostInput(const MSG& msg)
{
    Queue().push_back(msg);
    wnd::ScheduleProcessing();
}

bool IsEmpty() { return Queue().empty(); }

unsigned DispatchCount() { return g_dispatchCount; }

}  // namespace wndqueue

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hWnd != nullptr && !IsWindow(hWnd))
        return FALSE;
    POINT pt{};
    GetCursorPos(&pt);
    wndqueue::PostInput(MSG{hWnd, message, wParam, lParam, wnd::Now(), pt});
    return TRUE;
}

BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    auto& queue = Queue();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (hWnd != nullptr && it->hwnd != hWnd && !IsChild(hWnd, it->hwnd))
            continue;
        if ((wMsgFilterMin != 0 || wMsgFilterMax != 0) &&
            (it->message < wMsgFilterMin || it->message > wMsgFilterMax))
            continue;
        *lpMsg = *it;
        if (wRemoveMsg & PM_REMOVE) {
            queue.erase(it);
            g_lastQueued = *lpMsg;
            wnd::UpdateKeyStateFromMessage(*lpMsg);
        }
        return TRUE;
    }
    return FALSE;
}

LRESULT DispatchMessage(const MSG* lpMsg)
{
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, wnd::Now());
        return 0;
    }
    return SendMessage(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void TranslateAndDispatch(MSG& msg)
{
    // The character of a key-down that a filter consumed is never translated.
    static HWND consumedKeyWindow = nullptr;
    if (msg.message == WM_CHAR && msg.hwnd == consumedKeyWindow) {
        consumedKeyWindow = nullptr;
        return;
    }
    if (msg.message == WM_KEYDOWN)
        consumedKeyWindow = msg.hwnd;
    if (IsIdleMessage(msg))
        ++g_dispatchCount;
    // The framework's pre-translation: the target window, then each ancestor up to the
    // top-level window, may consume the message.
    for (HWND h = msg.hwnd; h != nullptr;) {
        const WindowRecord* rec = wnd::Find(h);
        if (rec == nullptr)
            break;
        if (CWnd* pWnd = rec->pWnd; pWnd != nullptr && pWnd->PreTranslateMessage(&msg))
            return;  // a consumed key-down keeps consumedKeyWindow set
        if (!IsWindow(h) || wnd::IsTopLevel(wnd::Get(h)))
            break;
        h = wnd::Get(h).parent;
    }
    if (msg.message == WM_KEYDOWN)
        consumedKeyWindow = nullptr;
    if (msg.hwnd == nullptr || IsWindow(msg.hwnd))
        DispatchMessage(&msg);
}

int PumpWaitingMessages()
{
    const unsigned before = g_dispatchCount;
    for (int round = 0; round < 1000; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (Queue().empty() && !wnd::HasPendingPaint())
            break;
        if (Queue().empty())
            wnd::PaintPendingWindows();
    }
    return static_cast<int>(g_dispatchCount - before);
}

DWORD GetMessageTime() { return g_lastQueued.time; }

DWORD GetMessagePos()
{
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(g_lastQueued.pt.x), static_cast<WORD>(g_lastQueued.pt.y)));
}

// Timers post WM_TIMER when they elapse, one pending message per timer at most.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return 0;
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(static_cast<int>(std::max<UINT>(uElapse, 1)));
    QObject::connect(timer.get(), &QTimer::timeout, [hWnd, nIDEvent, lpTimerFunc]() {
        for (const MSG& m : Queue())
            if (m.hwnd == hWnd && m.message == WM_TIMER && m.wParam == nIDEvent)
                return;
        PostMessage(hWnd, WM_TIMER, nIDEvent, reinterpret_cast<LPARAM>(lpTimerFunc));
    });
    timer->start();
    rec->timers[nIDEvent] = std::move(timer);
    return nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    std::erase_if(Queue(), [hWnd, uIDEvent](const MSG& m) {
        return m.hwnd == hWnd && m.message == WM_TIMER && m.wParam == uIDEvent;
    });
    return rec->timers.erase(uIDEvent) != 0;
}

namespace wnd {
void KillAllTimers(WindowRecord& rec) { rec.timers.clear(); }
}  // namespace wnd
