// Track menu and the View menu: adding and deleting tracks, extracting a
// channel, splitting, joining and exporting, zoom and scrolling.
#pragma once

#include "commands/command_context.h"

namespace app {

class CTrackCommands {
public:
    explicit CTrackCommands(CommandContext& context) : m_c(context) {}

    void AddBlankTrack();
    /** Deletes the current track, or the one whose row asked for it: the
     *  current track and its selection stay when another one goes. */
    void DeleteTrack(int trackId = 0);
    /** 1 keeps the left channel, 2 the right. */
    void ToMono(int channel);
    void Split();
    void JoinAll();
    void Export(bool selection);
    void Zoom(bool in);
    void Scroll(bool toEnd);
    /** Zooms so that the whole track fills the view's width. */
    void FitToWindow(int trackId);
    /** Zoom To Fit: the current track, whole. */
    void FitCurrent();
    /** Zoom To Selection: the closest zoom that shows the selection whole,
     *  scrolled to its start. */
    void FitSelection();

private:
    CommandContext& m_c;
};

} // namespace app
