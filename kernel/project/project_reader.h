// Reads a project document into the session: one new track per Track
// element, each on the data files the document names.
#pragma once

#include <string>

class CEditSession;

namespace kernel {

class CProjectReader {
public:
    explicit CProjectReader(CEditSession& session);

    /** Appends the project's tracks to the session and makes the project's
     *  data folder the session's temp folder. Every track is checked before
     *  any is added, so a project that fails adds nothing and leaves the
     *  session as it was. A project can only claim data folders that hold
     *  nothing but data files, and only data files inside them: the tracks
     *  delete the files their project does not name when the session closes.
     *  false with the last error set. */
    bool Open(const std::string& path);

private:
    CEditSession& m_session;
};

} // namespace kernel
