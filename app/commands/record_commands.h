// Record menu: recording into a new track with the live view, and the
// record-source dialog. The stop runs on a thread of its own and tells
// its end through this family's own window.
#pragma once

#include "commands/command_context.h"

#include <memory>
#include <thread>

namespace vorlain {
class CRegistryWindow;
}

namespace app {

class CRecordCommands {
public:
    explicit CRecordCommands(CommandContext& context);
    /** Waits for a stop that still runs. */
    ~CRecordCommands();
    CRecordCommands(const CRecordCommands&) = delete;
    CRecordCommands& operator=(const CRecordCommands&) = delete;

    void Start();
    void Pause();
    void Continue();
    void Stop();
    void Options();
    /** Stops a running recording and waits, still taking its last peaks,
     *  until the stop has ended. */
    void StopAndWait();
    /** Waits for a stop's thread, without taking its message. */
    void JoinStop();

private:
    void OnStopped(bool ok);

    CommandContext& m_c;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    std::thread m_stopper;
};

} // namespace app
