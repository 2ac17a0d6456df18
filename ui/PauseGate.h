#pragma once
// Where a worker holds still while the user has it paused or is being asked
// a question about it. Holds nest: a Pause and an open question each add one,
// and the worker goes on only when all are released. Opening the gate for
// good (stop, cancel, closing) lets it through whatever the holds.

#include <condition_variable>
#include <mutex>

class CPauseGate {
public:
    void Hold()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nHolds;
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_nHolds > 0) --m_nHolds;
        }
        m_changed.notify_all();
    }
    void OpenForGood()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bOpen = true;
        }
        m_changed.notify_all();
    }
    // Called by the worker: returns when nothing holds it.
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_nHolds == 0 || m_bOpen; });
    }
    bool IsHeld() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nHolds > 0 && !m_bOpen;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nHolds = 0;
    bool m_bOpen = false;
};
