// The editor session behind the handle Kestrum_Open returns: it owns its
// tracks (in creation order, never removed), its history and its clipboard.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTrack;

class CEditSession {
public:
    explicit CEditSession(std::string tempFolder);
    virtual ~CEditSession();
    CEditSession(const CEditSession&) = delete;
    CEditSession& operator=(const CEditSession&) = delete;

    /** The first track of the given id, deleted tracks included; null when none. */
    CTrack* FindTrack(uint32_t trackId) const;
    uint32_t TrackCount() const { return static_cast<uint32_t>(m_tracks.size()); }
    /** Takes ownership of a track whose id is TrackCount() + 1. */
    void AppendTrack(std::unique_ptr<CTrack> track);
    /** The position of a track in the list + 1, or 0 when it is not ours. */
    bool Owns(const CTrack* track) const;

    /** The common start of every track creation: clears the stop flag and,
     *  for the first track, creates the session temp folder. */
    bool BeginTrackCreation();
    /** A blank track (no audio) with the given name ("Blank Track" when
     *  empty), appended to the list. */
    CTrack* CreateBlankTrack(const std::string& name);

    std::atomic<uint32_t> m_stop{0};     // set by Kestrum_Stop
    std::atomic<uint32_t> m_progress{0}; // 0..100 of the running operation
    std::vector<std::unique_ptr<CTrack>> m_tracks;
    std::string m_projectPath;
    std::string m_tempFolder; // the temp base until the first track, then the session folder

private:
    bool m_tempFolderMade = false;
};
