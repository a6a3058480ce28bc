// Undo and redo: action records, labels, timeline steps, the clipboard steps
// of Copy and Cut, and the tracks that actions create or delete.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "edits/clipboard.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class History : public KernelTest {
protected:
    std::string undoLabel()
    {
        char label[8192];
        return Kestrum_IsBackAble(m_session, label) ? label : "<none>";
    }
    std::string redoLabel()
    {
        char label[8192];
        return Kestrum_IsNextAble(m_session, label) ? label : "<none>";
    }
    ActionRecord last()
    {
        ActionRecord a{};
        Kestrum_GetLastActionAttr(m_session, &a);
        return a;
    }
    std::vector<std::string> paths(const CTrack* t)
    {
        std::vector<std::string> out;
        for (const TrackSegment& s : segments(t))
            out.emplace_back(s.path);
        return out;
    }
};

TEST_F(History, ANewSessionHasNothingToUndoOrRedo)
{
    EXPECT_EQ(undoLabel(), "<none>");
    EXPECT_EQ(redoLabel(), "<none>");
    ActionRecord a;
    std::memset(&a, 0xCD, sizeof a);
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &a), 1);
    EXPECT_EQ(a.type, 0u);
    EXPECT_EQ(a.trackId, 0u);
    ActionRecord untouched;
    std::memset(&untouched, 0xCD, sizeof untouched);
    ASSERT_EQ(Kestrum_GetNextActionAttr(m_session, &untouched), 1);
    EXPECT_EQ(untouched.type, 0xCDCDCDCDu);
    EXPECT_EQ(Kestrum_GetLastActionAttr(m_session, nullptr), 0);
    EXPECT_EQ(Kestrum_GoBack(m_session), 0);
    EXPECT_EQ(Kestrum_GoNext(m_session), 0);
}

TEST_F(History, ActionRecordsCarryTheirTableValues)
{
    loadRamp(44100 * 12);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 1 * kSecond, 2 * kSecond), 1);
    ActionRecord a = last();
    EXPECT_EQ(a.trackId, 1u);
    EXPECT_EQ(a.type, 8u);
    EXPECT_EQ(a.timelineFlag, 1u);
    EXPECT_EQ(a.trackFlags, 4u);
    EXPECT_STREQ(a.name, "Cut");
    EXPECT_EQ(a.undoFrom, kSecond);
    EXPECT_EQ(a.undoTo, 2 * kSecond);
    EXPECT_EQ(a.redoTrackId, 1u);
    EXPECT_EQ(a.redoFrom, kSecond);
    EXPECT_EQ(a.redoTo, kSecond);
    EXPECT_EQ(undoLabel(), "Undo (Cut)");
    ASSERT_EQ(Kestrum_Trim(m_session, 1, 0, 3 * kSecond), 1);
    a = last();
    EXPECT_EQ(a.type, 12u);
    EXPECT_EQ(a.redoFrom, 0);
    EXPECT_EQ(a.redoTo, 0);
    Kestrum_Copy(m_session, 1, 0, kSecond);
    a = last();
    EXPECT_EQ(a.timelineFlag, 0u);
    EXPECT_STREQ(a.name, "Copy");
}

TEST_F(History, UndoAndRedoOfACutStepTheTimelineAndTheClipboard)
{
    CTrack* track = loadRamp(44100 * 12);
    const CTimeline* original = track->Timeline();
    auto originalPaths = paths(track);
    Kestrum_Copy(m_session, 1, 0, kSecond);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 1 * kSecond, 2 * kSecond), 1);
    const CTimeline* cut = track->Timeline();
    auto cutPaths = paths(track);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->Timeline(), original);
    EXPECT_EQ(paths(track), originalPaths);
    EXPECT_EQ(track->m_length, 12 * kSecond);
    ClipboardEntry entry{};
    Kestrum_GetCopyAttr(m_session, &entry);
    EXPECT_EQ(entry.to, kSecond); // the Copy's entry again
    EXPECT_EQ(redoLabel(), "Redo (Cut)");
    EXPECT_EQ(undoLabel(), "Undo (Copy)");

    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(track->Timeline(), cut);
    EXPECT_EQ(paths(track), cutPaths); // the same data files, nothing recomputed
    EXPECT_EQ(track->m_length, 11 * kSecond);
    Kestrum_GetCopyAttr(m_session, &entry);
    EXPECT_EQ(entry.from, kSecond);
    EXPECT_EQ(entry.to, 2 * kSecond);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1); // the Copy
    EXPECT_EQ(Kestrum_IsPasteAble(m_session), 0);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1); // the Add Track of the loaded track
    EXPECT_EQ(track->m_present, 0u);
    EXPECT_EQ(Kestrum_GoBack(m_session), 0); // the sentinel
    EXPECT_EQ(undoLabel(), "<none>");
}

TEST_F(History, UndoOfAPasteIntoABlankTrackEmptiesItAndRedoRestoresIt)
{
    loadRamp(44100 * 3);
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    Kestrum_Copy(m_session, 1, 0, kSecond);
    ASSERT_EQ(Kestrum_Paste(m_session, 2, 0), 1);
    const CTimeline* pasted = blank->Timeline();
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_TRUE(blank->IsBlank());
    EXPECT_EQ(blank->m_length, 0);
    EXPECT_EQ(blank->m_redoTimeline, pasted);
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, 2), 1);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(blank->Timeline(), pasted);
    EXPECT_EQ(blank->m_length, kSecond);
    EXPECT_EQ(blank->m_redoTimeline, nullptr);
}

TEST_F(History, AddAndDeleteTrackFlipThePresentFlag)
{
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    ActionRecord a = last();
    EXPECT_EQ(a.type, 1u);
    EXPECT_EQ(a.trackFlags, 1u);
    EXPECT_EQ(a.redoTrackId, 1u);
    EXPECT_EQ(undoLabel(), "Undo (Add Track)");
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->m_present, 0u);
    EXPECT_EQ(Kestrum_GoBack(m_session), 0);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(track->m_present, 1u);
    CTrack* second = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(second->m_present, 0u);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(second->m_present, 1u);
    ASSERT_EQ(Kestrum_DeleteTrack(m_session, 1), 1);
    EXPECT_EQ(track->m_present, 0u);
    EXPECT_EQ(last().type, 2u);
    EXPECT_EQ(last().trackFlags, 2u);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->m_present, 1u);
    TrackBaseInfo info;
    Kestrum_GetTrackBaseInfo(m_session, 1, &info);
    EXPECT_EQ(info.deleted, 0u);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(track->m_present, 0u);
}

TEST_F(History, UndoOfCopyToNewHidesTheNewTrack)
{
    CTrack* source = loadRamp(44100 * 3);
    CTrack* copy = Kestrum_CopyToNew(m_session, 1, 0, kSecond);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(copy->m_present, 0u);
    EXPECT_EQ(source->m_present, 1u);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(copy->m_present, 1u);
}

TEST_F(History, ANewEditAfterUndoDropsTheRedoChain)
{
    CTrack* track = loadRamp(44100 * 12);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, 100'000), 1);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->m_length, 12 * kSecond - 300'000);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, 50'000), 1);
    EXPECT_EQ(redoLabel(), "<none>");
    EXPECT_EQ(Kestrum_GoNext(m_session), 0);
    EXPECT_EQ(track->Timeline()->m_next, nullptr);
    EXPECT_EQ(track->m_length, 12 * kSecond - 350'000);
    // Four steps back reach the loaded audio again.
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->m_length, 12 * kSecond);
    EXPECT_EQ(pcm(track), PcmBytes(Ramp(44100 * 12, 2)));
}

TEST_F(History, AClipboardEntryKeepsItsVersionAliveWhenACommitDropsIt)
{
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, kSecond), 1);
    ASSERT_EQ(Kestrum_Copy(m_session, 1, 0, 2 * kSecond), 1); // names the post-delete version
    const CTimeline* copied = track->Timeline();
    std::string copiedFile = segments(track)[1].path;
    ASSERT_EQ(Kestrum_GoBack(m_session), 1); // the Copy
    ASSERT_EQ(Kestrum_GoBack(m_session), 1); // the Delete
    ASSERT_EQ(Kestrum_Trim(m_session, 1, 0, 3 * kSecond), 1); // drops the copied version
    // The unreachable entry still names a live version; making it current again is
    // what a redo would have done, so walk the list directly.
    ASSERT_TRUE(m_session->Clipboard().Forward());
    EXPECT_EQ(m_session->Clipboard().Current().timeline, copied);
    EXPECT_EQ(copied->Lookup(1)->start, 0); // readable (ASan would catch a freed one)
    EXPECT_TRUE(Exists(copiedFile));
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 0), 1);
    const auto original = PcmBytes(Ramp(44100 * 12, 2));
    EXPECT_EQ(pcm(track, 0, 2 * kSecond),
              std::vector<uint8_t>(original.begin() + 176400, original.begin() + 3 * 176400));
}

TEST_F(History, LabelsWithoutLanguageKeysAreEmptyParentheses)
{
    loadRamp(44100);
    Kestrum_AddTrack(m_session, nullptr);
    // An action type the table does not name gets an empty name.
    m_session->Record(1, 99, 0, 0, 0, 0, 0);
    char label[64];
    ASSERT_EQ(Kestrum_IsBackAble(m_session, label), 1);
    EXPECT_STREQ(label, "Undo ()");
    EXPECT_EQ(Kestrum_IsBackAble(m_session, nullptr), 0);
}

TEST_F(History, RedoOfATrackWithoutALaterVersionFails)
{
    CTrack* track = loadRamp(44100 * 3);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, kSecond), 1);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    CTimeline* later = track->Timeline()->m_next;
    track->Timeline()->m_next = nullptr; // as if the version had been dropped elsewhere
    EXPECT_EQ(Kestrum_GoNext(m_session), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0938B001u);
    EXPECT_EQ(redoLabel(), "Redo (Delete)"); // the pointer stayed
    track->Timeline()->m_next = later; // relinked so the track frees it
}
