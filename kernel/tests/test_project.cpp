// Project files: the document, plain and copying saves, opening in another
// session, the files a saved project keeps, and projects that must be refused
// without adding a track or touching a file outside their data folders.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/segment_files.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sys/stat.h>

#include <cstring>

#include <filesystem>
#include <functional>
#include <set>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

struct SessionCloser {
    void operator()(CEditSession* s) const { Kestrum_Close(s); }
};
using Session = std::unique_ptr<CEditSession, SessionCloser>;

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

/** Every regular file below root, as paths relative to it; the peak
 *  summaries (in the "peaks" folders) only when asked for. */
std::set<std::string> filesUnder(const std::string& root, bool summaries = false)
{
    std::set<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.is_regular_file() && (summaries || e.path().parent_path().filename() != "peaks"))
            out.insert(std::filesystem::relative(e.path(), root).string());
    return out;
}

/** The data files a project document names, as full paths. */
std::set<std::string> namedFiles(const std::string& projectPath)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(projectPath.c_str()));
    std::string tmp = doc.child("AudioProject").child_value("TmpPath");
    if (tmp.empty() || tmp[0] != '/')
        tmp = std::filesystem::path(projectPath).parent_path().string() + "/" + tmp;
    std::set<std::string> out;
    for (pugi::xml_node track : doc.child("AudioProject").children("Track"))
        for (pugi::xml_node s : track.child("TimeLine").children("Segment"))
            out.insert(tmp + "/" + track.child_value("Folder") + "/" + s.child_value("Path"));
    return out;
}

std::vector<std::string> childNames(const pugi::xml_node& node)
{
    std::vector<std::string> out;
    for (pugi::xml_node c : node.children())
        out.emplace_back(c.name());
    return out;
}

TagInfo tagsOf(const char* title, const char* year)
{
    TagInfo t{};
    std::snprintf(t.title, sizeof t.title, "%s", title);
    std::snprintf(t.artist, sizeof t.artist, "Artist & <Co>");
    std::snprintf(t.album, sizeof t.album, "Album");
    std::snprintf(t.genre, sizeof t.genre, "Genre");
    std::snprintf(t.year, sizeof t.year, "%s", year);
    std::snprintf(t.comment, sizeof t.comment, "Comment \"quoted\"");
    std::snprintf(t.reserved, sizeof t.reserved, "not stored");
    return t;
}

} // namespace

class Project : public KernelTest {
protected:
    Session openSession() { return Session(Kestrum_Open(nullptr)); }

    /** Three tracks: 12 s stereo with a cut, 3 s mono, 2 s stereo at 22050 Hz. */
    void loadThree()
    {
        CTrack* a = loadRamp(44100 * 12);
        ASSERT_NE(a, nullptr);
        ASSERT_EQ(Kestrum_Cut(m_session, 1, 1'500'000, 2'250'000), 1);
        ASSERT_NE(loadRamp(44100 * 3, 44100, 1), nullptr);
        ASSERT_NE(loadRamp(22050 * 2, 22050, 2), nullptr);
        ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 1, tagsOf("Title one", "1999")), 1);
    }

    /** The audio of every present track, in list order. */
    std::vector<std::vector<uint8_t>> audioOf(CEditSession* session)
    {
        std::vector<std::vector<uint8_t>> out;
        for (auto& t : session->m_tracks)
            if (t->m_present)
                out.push_back(pcm(t.get()));
        return out;
    }
};

TEST_F(Project, TheProjectPathIsTheOneOpenedOrLastSavedAndNoneBefore)
{
    char path[vorlain::kPathChars] = "x";
    EXPECT_EQ(Kestrum_GetProjectPath(nullptr, path), 0);
    EXPECT_EQ(Kestrum_GetProjectPath(m_session, nullptr), 0);
    EXPECT_EQ(Kestrum_GetProjectPath(m_session, path), 0);
    EXPECT_STREQ(path, "");
    loadThree();
    const std::string saved = env().path("song.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, saved.c_str(), 1), 1);
    ASSERT_EQ(Kestrum_GetProjectPath(m_session, path), 1);
    EXPECT_EQ(std::string(path), saved);
    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), saved.c_str()), 1);
    ASSERT_EQ(Kestrum_GetProjectPath(other.get(), path), 1);
    EXPECT_EQ(std::string(path), saved);
    // A path that does not fit is not handed out cut.
    other->m_projectPath = std::string(vorlain::kPathChars, 'a');
    EXPECT_EQ(Kestrum_GetProjectPath(other.get(), path), 0);
    EXPECT_STREQ(path, "");
}

TEST_F(Project, SaveThenOpenInANewSessionGivesTheSameAudioFormatsAndTags)
{
    loadThree();
    const std::string path = env().path("song.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    EXPECT_EQ(m_session->m_projectPath, path);

    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    ASSERT_EQ(other->TrackCount(), 3u);
    EXPECT_EQ(other->m_tempFolder, m_session->m_tempFolder);
    EXPECT_EQ(other->m_projectPath, path);
    EXPECT_EQ(audioOf(other.get()), audioOf(m_session));
    for (uint32_t id = 1; id <= 3; ++id) {
        CTrack* before = m_session->FindTrack(id);
        CTrack* after = other->FindTrack(id);
        SCOPED_TRACE(id);
        EXPECT_EQ(after->m_name, before->m_name);
        EXPECT_EQ(after->m_length, before->m_length);
        EXPECT_EQ(after->m_sampleRate, before->m_sampleRate);
        EXPECT_EQ(after->m_channels, before->m_channels);
        EXPECT_EQ(after->m_bytesPerSample, 2u);
        EXPECT_EQ(after->m_loaded, 1u);
        ASSERT_NE(after->m_projectTimeline, nullptr);
        EXPECT_EQ(Describe({after->m_projectTimeline->begin(), after->m_projectTimeline->end()}),
                  Describe(segments(after)));
        // The header segment is not part of a project; the audio segments are.
        auto audio = segments(before);
        audio.erase(audio.begin());
        EXPECT_EQ(Describe(segments(after)), Describe(audio));
    }
    TagInfo tag{};
    ASSERT_EQ(Kestrum_GetTrackTagInfo(other.get(), 1, &tag), 1);
    TagInfo expected = tagsOf("Title one", "1999");
    std::memset(expected.reserved, 0, sizeof expected.reserved); // not stored
    EXPECT_EQ(std::memcmp(&tag, &expected, sizeof tag), 0);
    ASSERT_EQ(Kestrum_GetTrackTagInfo(other.get(), 2, &tag), 1);
    const TagInfo none{};
    EXPECT_EQ(std::memcmp(&tag, &none, sizeof tag), 0);

    // New data files of an opened track continue after the highest number.
    CTrack* first = other->FindTrack(1);
    const uint32_t next = first->m_nextFileNumber;
    ASSERT_EQ(Kestrum_Cut(other.get(), 1, 0, 700'000), 1);
    EXPECT_EQ(FileNamePart(segments(first)[0].path), ([next] {
                  char n[16];
                  std::snprintf(n, sizeof n, "%.8u.dat", next);
                  return std::string(n);
              })());
}

TEST_F(Project, TheDocumentHasTheElementsInOrderAndSkipsDeletedTracksAndHeaders)
{
    loadThree();
    ASSERT_EQ(Kestrum_DeleteTrack(m_session, 2), 1);
    const std::string path = env().path("layout.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    const std::string text = readText(path);
    EXPECT_EQ(text.rfind("<?xml version='1.0'?>", 0), 0u) << text.substr(0, 60);
    EXPECT_EQ(text.find("<?xml", 1), std::string::npos); // no second declaration

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "AudioProject");
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"TmpPath", "Track", "Track"}));
    EXPECT_EQ(root.child_value("TmpPath"), m_session->m_tempFolder);
    std::vector<std::string> ids;
    for (pugi::xml_node t : root.children("Track")) {
        ids.emplace_back(t.attribute("id").value());
        EXPECT_EQ(childNames(t),
                  (std::vector<std::string>{"Folder", "BaseInfo", "TAG", "TimeLine"}));
        EXPECT_EQ(childNames(t.child("BaseInfo")),
                  (std::vector<std::string>{"Name", "Time", "Sample", "Channel", "BitPerSample"}));
        EXPECT_EQ(
            childNames(t.child("TAG")),
            (std::vector<std::string>{"Title", "Artist", "Album", "Genre", "Year", "Comment"}));
        EXPECT_STREQ(t.child("BaseInfo").child_value("BitPerSample"), "2");
        for (pugi::xml_node s : t.child("TimeLine").children())
            EXPECT_EQ(childNames(s), (std::vector<std::string>{"TimeFrom", "TimeTo", "Path"}));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"0", "2"}));

    pugi::xml_node first = root.child("Track");
    EXPECT_STREQ(first.child_value("Folder"), "Track00");
    EXPECT_STREQ(first.child("BaseInfo").child_value("Name"), "track.wav");
    EXPECT_STREQ(first.child("BaseInfo").child_value("Time"), "11250000");
    EXPECT_STREQ(first.child("BaseInfo").child_value("Sample"), "44100");
    EXPECT_STREQ(first.child("BaseInfo").child_value("Channel"), "2");
    EXPECT_STREQ(first.child("TAG").child_value("Artist"), "Artist & <Co>");
    // Only the audio segments, keys in order: the cut head and tail, then the rest.
    std::vector<std::string> segs;
    for (pugi::xml_node s : first.child("TimeLine").children("Segment"))
        segs.push_back(std::string(s.child_value("TimeFrom")) + "-" + s.child_value("TimeTo") +
                       ":" + s.child_value("Path"));
    EXPECT_EQ(segs, (std::vector<std::string>{
                        "0-1500000:00000004.dat", "1500000-4250000:00000005.dat",
                        "4250000-9250000:00000002.dat", "9250000-11250000:00000003.dat"}));
    pugi::xml_node third = first.next_sibling("Track");
    EXPECT_STREQ(third.child_value("Folder"), "Track02");
    EXPECT_STREQ(third.child("BaseInfo").child_value("Sample"), "22050");
}

TEST_F(Project, ACopyingSaveOpensFromAnotherFolderAfterBothMoved)
{
    loadThree();
    const auto audio = audioOf(m_session);
    env().makeDir("a");
    const std::string path = env().path("a/proj.zvp");
    m_window->clear();
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 1), 1);

    // One percentage per copied segment (9 timeline entries in all, 6 of
    // them audio), below 100 until the document is saved, then 100.
    EXPECT_EQ(progress(), (std::vector<WPARAM>{11, 22, 33, 44, 55, 66, 100}));

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    EXPECT_STREQ(doc.child("AudioProject").child_value("TmpPath"), "proj.zvp.data");
    EXPECT_EQ(filesUnder(path + ".data"),
              (std::set<std::string>{"Track00/00000002.dat", "Track00/00000003.dat",
                                     "Track00/00000004.dat", "Track00/00000005.dat",
                                     "Track01/00000001.dat", "Track02/00000001.dat"}));

    // The session's own files go when it closes; the project's stay.
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    std::filesystem::rename(env().path("a"), env().path("b"));

    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), env().path("b/proj.zvp").c_str()), 1);
    EXPECT_EQ(other->m_tempFolder, env().path("b/proj.zvp.data"));
    EXPECT_EQ(audioOf(other.get()), audio);
    EXPECT_EQ(FileNamePart(segments(other->FindTrack(2))[0].path), "00000001.dat");
    EXPECT_EQ(std::string(segments(other->FindTrack(2))[0].path),
              env().path("b/proj.zvp.data/Track01/00000001.dat"));
}

TEST_F(Project, ClosingASessionWithAPlainSavedProjectKeepsExactlyTheNamedFiles)
{
    loadThree();
    ASSERT_EQ(Kestrum_DeleteTrack(m_session, 2), 1);
    const std::string path = env().path("keep.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    const auto saved = audioOf(m_session);
    // Edits after the save write files the project does not name.
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, 3 * kSecond), 1);
    ASSERT_EQ(Kestrum_AddSlience(m_session, 3, 0, kSecond), 1);
    const std::string temp = m_session->m_tempFolder;

    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    std::set<std::string> expected;
    for (const std::string& f : namedFiles(path))
        expected.insert(std::filesystem::relative(f, temp).string());
    EXPECT_EQ(expected.size(), 5u); // four of track 1, one of track 3
    EXPECT_EQ(filesUnder(temp), expected);

    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    EXPECT_EQ(audioOf(other.get()), saved);
}

TEST_F(Project, ACopyingSaveLeavesNoSessionFilesAndResavingInPlaceKeepsNewEdits)
{
    loadThree();
    const std::string path = env().path("copy.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 1), 1);
    const std::string temp = m_session->m_tempFolder;
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    EXPECT_TRUE(filesUnder(temp).empty());

    // Open, edit and save again with copying into the same project: the
    // files are already in place, the edit's new file joins them.
    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    ASSERT_EQ(Kestrum_Cut(other.get(), 1, 0, 250'000), 1);
    ASSERT_EQ(Kestrum_DeleteTrack(other.get(), 3), 1);
    ASSERT_EQ(Kestrum_SaveProject(other.get(), path.c_str(), 1), 1);
    const auto edited = audioOf(other.get());
    other.reset();

    std::set<std::string> expected;
    for (const std::string& f : namedFiles(path))
        expected.insert(std::filesystem::relative(f, path + ".data").string());
    EXPECT_EQ(filesUnder(path + ".data"), expected);
    EXPECT_FALSE(Exists(path + ".data/Track02")); // the deleted track's folder went
    Session again = openSession();
    ASSERT_EQ(Kestrum_OpenProject(again.get(), path.c_str()), 1);
    EXPECT_EQ(audioOf(again.get()), edited);
}

TEST_F(Project, ACopyingSaveLinksTheFilesWithTheirSummariesAndOutlivesTheSessionFolder)
{
    loadThree();
    const std::string path = env().path("linked.zvp");
    // A stale file under a name the save will use is replaced, not kept.
    const std::string stale = path + ".data/Track01/00000001.dat";
    ASSERT_EQ(::mkdir((path + ".data").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((path + ".data/Track01").c_str(), 0755), 0);
    ASSERT_TRUE(WriteBytes(stale, {9, 9, 9, 9}));
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 1), 1);
    const auto saved = audioOf(m_session);

    size_t files = 0;
    for (auto& track : m_session->m_tracks) {
        for (const TrackSegment& s : segments(track.get())) {
            if (s.state & vorlain::kHeaderSegment)
                continue;
            const std::string copy =
                path + ".data/" + FileNamePart(track->m_trackFolder) + "/" + FileNamePart(s.path);
            struct stat a {
            }, b{};
            ASSERT_EQ(::stat(s.path, &a), 0);
            ASSERT_EQ(::stat(copy.c_str(), &b), 0);
            EXPECT_EQ(a.st_ino, b.st_ino) << copy << ": one file under two names";
            EXPECT_EQ(CheckPeakSummary(copy, static_cast<int>(track->m_channels)), "") << copy;
            ++files;
        }
    }
    EXPECT_EQ(files, 6u); // four of the cut track, one each of the others

    // The session's folder goes altogether; the project keeps its audio.
    const std::string temp = m_session->m_tempFolder;
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    RemoveTree(temp);
    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    EXPECT_EQ(audioOf(other.get()), saved);
}

TEST_F(Project, ResavingThroughALinkedFolderKeepsTheNewFilesOfTheProject)
{
    loadThree();
    env().makeDir("real");
    ASSERT_EQ(Kestrum_SaveProject(m_session, env().path("real/p.zvp").c_str(), 1), 1);
    std::filesystem::create_directory_symlink(env().path("real"), env().path("link"));

    // Opened through the link, saved through the real folder: one project.
    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), env().path("link/p.zvp").c_str()), 1);
    ASSERT_EQ(Kestrum_Cut(other.get(), 1, 0, 300'000), 1);
    ASSERT_EQ(Kestrum_SaveProject(other.get(), env().path("real/p.zvp").c_str(), 1), 1);
    const auto edited = audioOf(other.get());
    other.reset();

    Session again = openSession();
    ASSERT_EQ(Kestrum_OpenProject(again.get(), env().path("real/p.zvp").c_str()), 1);
    EXPECT_EQ(audioOf(again.get()), edited);
}

TEST_F(Project, AFailedSaveLeavesThePreviousProjectFileWhole)
{
    loadThree();
    const std::string path = env().path("safe.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    const std::string good = readText(path);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, kSecond), 1);

    // The document cannot be written beside the project.
    ASSERT_EQ(::mkdir((path + ".vorlain-part").c_str(), 0755), 0);
    ASSERT_TRUE(WriteBytes(path + ".vorlain-part/x", {1}));
    EXPECT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02A2B001u);
    EXPECT_EQ(readText(path), good);

    // A folder that does not exist. The session's files are named by
    // safe.zvp already, so this plain save gathers its files: its data folder
    // is what cannot be made.
    EXPECT_EQ(Kestrum_SaveProject(m_session, env().path("none/p.zvp").c_str(), 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0190B001u);
    EXPECT_FALSE(Exists(env().path("none")));

    // A copying save whose data folder cannot be made still releases the
    // progress dialog.
    m_window->clear();
    EXPECT_EQ(Kestrum_SaveProject(m_session, env().path("none/p.zvp").c_str(), 1), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0190B001u);
    EXPECT_EQ(progress(), (std::vector<WPARAM>{100}));

    // A copy that fails: the destination's name is taken by a folder that
    // cannot be replaced. The earlier copies stay, the old document stays.
    const std::string copied = env().path("copied.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, copied.c_str(), 1), 1);
    const std::string before = readText(copied);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, kSecond), 1);
    const std::string blocked =
        copied + ".data/Track00/" + FileNamePart(segments(m_session->FindTrack(1))[1].path);
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    ASSERT_TRUE(WriteBytes(blocked + "/x", {1}));
    m_window->clear();
    EXPECT_EQ(Kestrum_SaveProject(m_session, copied.c_str(), 1), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0271B001u);
    EXPECT_EQ(readText(copied), before);
    EXPECT_EQ(progress().back(), 100u);

    EXPECT_EQ(Kestrum_SaveProject(m_session, nullptr, 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0120B002u);
    EXPECT_EQ(Kestrum_SaveProject(nullptr, path.c_str(), 0), 0);
}

TEST_F(Project, BlankTracksAndLongNamesRoundTrip)
{
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    CTrack* loaded = loadRamp(44100);
    loaded->m_name = std::string(300, 'n');
    CTrack* odd = loadRamp(441);
    odd->m_name = "\xC3\x9Cn\x01 \r\n]]> & <x> \"'";
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, odd->m_trackId, tagsOf("\t<\xE2\x82\xAC>\r", "")),
              1);
    const std::string path = env().path("blank.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 1), 1);
    ASSERT_NE(blank, nullptr);

    Session other = openSession();
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    EXPECT_EQ(Kestrum_IsBlankTrack(other.get(), 1), 1);
    EXPECT_EQ(other->FindTrack(1)->m_name, "Blank Track");
    EXPECT_EQ(other->FindTrack(2)->m_name, std::string(259, 'n'));
    EXPECT_EQ(other->FindTrack(3)->m_name, odd->m_name);
    TagInfo tag{};
    ASSERT_EQ(Kestrum_GetTrackTagInfo(other.get(), 3, &tag), 1);
    EXPECT_STREQ(tag.title, "\t<\xE2\x82\xAC>\r");
    EXPECT_STREQ(tag.comment, "Comment \"quoted\"");
    // The blank track takes a paste like a new one: a header, then the clip.
    ASSERT_EQ(Kestrum_Copy(other.get(), 2, 0, 500'000), 1);
    ASSERT_EQ(Kestrum_Paste(other.get(), 1, 0), 1);
    EXPECT_EQ(other->FindTrack(1)->m_length, 500'000);
    EXPECT_EQ(pcm(other->FindTrack(1)), pcm(other->FindTrack(2), 0, 500'000));
}

TEST_F(Project, DegenerateSegmentsBecomeHeadersAndUnnamedFilesAreNotReused)
{
    CTrack* track = loadRamp(44100 * 6);
    const std::string path = env().path("headers.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    const std::string folder = track->m_trackFolder;
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    // The project did not name the loaded header file: it went with the session.
    EXPECT_EQ(filesUnder(folder), (std::set<std::string>{"00000001.dat", "00000002.dat"}));
    // Two header shapes: [0, 1) before the audio and [7, 0) after it.
    ASSERT_TRUE(WriteBytes(folder + "/00000000.dat", WaveHeader(44100, 2, 0)));
    ASSERT_TRUE(WriteBytes(folder + "/00000009.dat", WaveHeader(44100, 2, 0)));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    pugi::xml_node timeline = doc.child("AudioProject").child("Track").child("TimeLine");
    auto fill = [](pugi::xml_node s, const char* from, const char* to, const char* file) {
        s.append_child("TimeFrom").text().set(from);
        s.append_child("TimeTo").text().set(to);
        s.append_child("Path").text().set(file);
    };
    fill(timeline.insert_child_before("Segment", timeline.first_child()), "0", "1", "00000000.dat");
    fill(timeline.append_child("Segment"), "7", "0", "00000009.dat");
    ASSERT_TRUE(doc.save_file(path.c_str()));
    // An unnamed data file with a higher number than any named one.
    ASSERT_TRUE(WriteBytes(folder + "/00000042.dat", {0, 0, 0, 0}));

    ASSERT_EQ(Kestrum_OpenProject(m_session, path.c_str()), 1);
    CTrack* opened = m_session->FindTrack(1);
    auto segs = segments(opened);
    ASSERT_EQ(segs.size(), 4u);
    EXPECT_EQ(segs[0].state, 1u);
    EXPECT_EQ(segs[1].state, 2u);
    EXPECT_EQ(segs[2].state, 2u);
    EXPECT_EQ(segs[3].state, 1u);
    EXPECT_EQ(opened->m_length, 6 * kSecond);
    EXPECT_EQ(pcm(opened), PcmBytes(Ramp(44100 * 6, 2)));
    // New files never take the number of a file already in the folder.
    EXPECT_EQ(opened->m_nextFileNumber, 43u);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, kSecond), 1);
    EXPECT_EQ(FileNamePart(segments(opened)[1].path), "00000043.dat");
    EXPECT_EQ(ReadBytes(folder + "/00000042.dat"), (std::vector<uint8_t>{0, 0, 0, 0}));
    // Closing keeps the named files only.
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    EXPECT_EQ(filesUnder(folder), (std::set<std::string>{"00000000.dat", "00000001.dat",
                                                         "00000002.dat", "00000009.dat"}));
}

TEST_F(Project, OpeningAppendsTracksAndTheSameFoldersCannotBeClaimedTwice)
{
    loadThree();
    const std::string path = env().path("twice.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, path.c_str(), 0), 1);
    Session other = openSession();
    ASSERT_NE(Kestrum_AddTrack(other.get(), nullptr), nullptr);
    ASSERT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 1);
    EXPECT_EQ(other->TrackCount(), 4u);
    EXPECT_EQ(other->FindTrack(4)->m_name, m_session->FindTrack(3)->m_name);
    // Twice into one session: two tracks would write into one folder.
    const std::string temp = other->m_tempFolder;
    EXPECT_EQ(Kestrum_OpenProject(other.get(), path.c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x030CB002u);
    EXPECT_EQ(other->TrackCount(), 4u);
    EXPECT_EQ(other->m_tempFolder, temp);
    // Nor into the session that saved it, whose tracks own those folders.
    EXPECT_EQ(Kestrum_OpenProject(m_session, path.c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x030CB002u);
    EXPECT_EQ(m_session->TrackCount(), 3u);
}

// ---- projects that must be refused ------------------------------------------

class BadProject : public Project {
protected:
    void SetUp() override
    {
        Project::SetUp();
        m_track = loadRamp(44100 * 6);
        ASSERT_NE(m_track, nullptr);
        m_path = env().path("good.zvp");
        ASSERT_EQ(Kestrum_SaveProject(m_session, m_path.c_str(), 0), 1);
        m_folder = m_track->m_trackFolder;
        m_files = filesUnder(m_folder);
        ASSERT_EQ(m_files.size(), 3u); // the header and two audio files
    }

    /** Writes a changed copy of the good project and opens it in a fresh
     *  session, which is closed again afterwards. Returns the open's result;
     *  the session must have no track afterwards on failure. */
    int openChanged(const std::function<void(pugi::xml_node root)>& change,
                    const char* name = "bad.zvp")
    {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(m_path.c_str()));
        change(doc.document_element());
        const std::string path = env().path(name);
        EXPECT_TRUE(doc.save_file(path.c_str()));
        return openPath(path);
    }

    int openPath(const std::string& path)
    {
        Session session = openSession();
        const std::string temp = session->m_tempFolder;
        const int ok = Kestrum_OpenProject(session.get(), path.c_str());
        if (!ok) {
            EXPECT_EQ(session->TrackCount(), 0u);
            EXPECT_EQ(session->m_tempFolder, temp);
            EXPECT_TRUE(session->m_projectPath.empty());
        }
        return ok;
    }

    static pugi::xml_node track(pugi::xml_node root) { return root.child("Track"); }
    static pugi::xml_node segment(pugi::xml_node root, int n)
    {
        pugi::xml_node s = track(root).child("TimeLine").child("Segment");
        while (n-- > 0)
            s = s.next_sibling("Segment");
        return s;
    }
    static void setText(pugi::xml_node node, const char* text) { node.text().set(text); }

    CTrack* m_track = nullptr;
    std::string m_path;
    std::string m_folder;
    std::set<std::string> m_files;
};

TEST_F(BadProject, DocumentsThatCannotBeReadFailWithTheirCodes)
{
    EXPECT_EQ(openPath(""), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02AAB002u);
    EXPECT_EQ(Kestrum_OpenProject(m_session, nullptr), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02AAB002u);
    EXPECT_EQ(Kestrum_OpenProject(nullptr, m_path.c_str()), 0);

    EXPECT_EQ(openPath(env().path("missing.zvp")), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02CAB002u);
    std::string text = readText(m_path);
    ASSERT_TRUE(WriteBytes(env().path("cut.zvp"),
                           std::vector<uint8_t>(text.begin(), text.begin() + text.size() / 2)));
    EXPECT_EQ(openPath(env().path("cut.zvp")), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02CAB002u);
    ASSERT_TRUE(WriteBytes(env().path("empty.zvp"), {}));
    EXPECT_EQ(openPath(env().path("empty.zvp")), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02CAB002u);

    EXPECT_EQ(openChanged([](pugi::xml_node root) { root.set_name("AudioProjekt"); }), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02DEB002u);
    EXPECT_EQ(openChanged([](pugi::xml_node root) { root.remove_child("TmpPath"); }), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02E5B002u);
    EXPECT_EQ(openChanged([](pugi::xml_node root) { root.remove_child("Track"); }), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02F4B001u);
    // The root's name is compared without regard to case.
    EXPECT_EQ(openChanged([](pugi::xml_node root) { root.set_name("audioPROJECT"); }), 1);
    EXPECT_EQ(filesUnder(m_folder).size(), 2u); // that session closed: the unnamed header went
}

TEST_F(BadProject, MissingElementsAndBadNumbersFailAsMalformed)
{
    const std::vector<std::pair<std::string, std::function<void(pugi::xml_node)>>> cases = {
        {"no TAG", [](pugi::xml_node r) { track(r).remove_child("TAG"); }},
        {"no Year", [](pugi::xml_node r) { track(r).child("TAG").remove_child("Year"); }},
        {"no Folder", [](pugi::xml_node r) { track(r).remove_child("Folder"); }},
        {"no BaseInfo", [](pugi::xml_node r) { track(r).remove_child("BaseInfo"); }},
        {"no Name", [](pugi::xml_node r) { track(r).child("BaseInfo").remove_child("Name"); }},
        {"no TimeLine", [](pugi::xml_node r) { track(r).remove_child("TimeLine"); }},
        {"no TimeTo", [](pugi::xml_node r) { segment(r, 1).remove_child("TimeTo"); }},
        {"no Path", [](pugi::xml_node r) { segment(r, 0).remove_child("Path"); }},
        {"text Time",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Time"), "six"); }},
        {"empty Sample",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Sample"), ""); }},
        {"negative Time",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Time"), "-6000000"); }},
        {"huge Time",
         [](pugi::xml_node r) {
             setText(track(r).child("BaseInfo").child("Time"), "99999999999999999999999");
         }},
        {"huge segment",
         [](pugi::xml_node r) {
             setText(segment(r, 1).child("TimeTo"), "9000000000000000000");
             setText(track(r).child("BaseInfo").child("Time"), "9000000000000000000");
         }},
        {"zero rate",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Sample"), "0"); }},
        {"huge rate",
         [](pugi::xml_node r) {
             setText(track(r).child("BaseInfo").child("Sample"), "4294967297");
         }},
        {"3 channels",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Channel"), "3"); }},
        {"8-bit",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("BitPerSample"), "1"); }},
        {"gap", [](pugi::xml_node r) { setText(segment(r, 1).child("TimeFrom"), "5000001"); }},
        {"overlap", [](pugi::xml_node r) { setText(segment(r, 1).child("TimeFrom"), "4000000"); }},
        {"not a number",
         [](pugi::xml_node r) { setText(segment(r, 0).child("TimeTo"), "5000000x"); }},
        {"backwards", [](pugi::xml_node r) { setText(segment(r, 1).child("TimeTo"), "4999999"); }},
        {"not from 0", [](pugi::xml_node r) { setText(segment(r, 0).child("TimeFrom"), "2"); }},
        {"length",
         [](pugi::xml_node r) { setText(track(r).child("BaseInfo").child("Time"), "6000001"); }},
        {"signed", [](pugi::xml_node r) { setText(segment(r, 0).child("TimeFrom"), "+0"); }},
    };
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(openChanged(change), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0300B002u);
    }
    // A second, good track after a bad one: nothing of the project is added.
    EXPECT_EQ(openChanged([](pugi::xml_node r) {
                  pugi::xml_node copy = r.insert_copy_after(track(r), track(r));
                  copy.remove_child("TAG");
              }),
              0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0300B002u);
    EXPECT_EQ(filesUnder(m_folder), m_files);
    // White space around numbers, as a hand-edited document may have, is fine.
    EXPECT_EQ(openChanged([](pugi::xml_node r) {
                  setText(track(r).child("BaseInfo").child("Time"), " 6000000\n");
              }),
              1);
}

TEST_F(BadProject, PathsThatLeaveTheDataFolderAreRefusedAndNothingOutsideIsTouched)
{
    const std::string outside = env().makeDir("outside");
    ASSERT_TRUE(WriteBytes(outside + "/00000001.dat", {1, 2, 3, 4}));
    ASSERT_TRUE(WriteBytes(outside + "/secret.txt", {5}));
    ASSERT_TRUE(WriteBytes(env().path("00000001.dat"), {6, 7, 8, 9}));
    const std::string relative =
        std::filesystem::relative(outside, m_session->m_tempFolder).string();

    const std::vector<std::tuple<std::string, uint32_t, std::function<void(pugi::xml_node)>>>
        cases = {
            {"path up", 0x0308B002,
             [](pugi::xml_node r) { setText(segment(r, 0).child("Path"), "../00000001.dat"); }},
            {"path dot-dot", 0x0308B002,
             [](pugi::xml_node r) { setText(segment(r, 0).child("Path"), ".."); }},
            {"path absolute", 0x0308B002,
             [&](pugi::xml_node r) {
                 setText(segment(r, 0).child("Path"), (outside + "/00000001.dat").c_str());
             }},
            {"path into", 0x0308B002,
             [&](pugi::xml_node r) {
                 setText(segment(r, 0).child("Path"), (relative + "/00000001.dat").c_str());
             }},
            {"path not data", 0x0308B002,
             [](pugi::xml_node r) { setText(segment(r, 0).child("Path"), "secret.txt"); }},
            {"path huge number", 0x0308B002,
             [](pugi::xml_node r) { setText(segment(r, 0).child("Path"), "4294967295.dat"); }},
            {"folder dot-dot", 0x0308B002,
             [](pugi::xml_node r) { setText(track(r).child("Folder"), ".."); }},
            {"folder dot", 0x0308B002,
             [](pugi::xml_node r) { setText(track(r).child("Folder"), "."); }},
            {"folder empty", 0x0308B002,
             [](pugi::xml_node r) { setText(track(r).child("Folder"), ""); }},
            {"folder path", 0x0308B002,
             [&](pugi::xml_node r) { setText(track(r).child("Folder"), relative.c_str()); }},
            // A folder that holds other files than data files is no data folder.
            {"foreign folder", 0x0310B002,
             [&](pugi::xml_node r) {
                 setText(r.child("TmpPath"), std::filesystem::path(outside).parent_path().c_str());
                 setText(track(r).child("Folder"), "outside");
             }},
            {"missing data file", 0x031AB004,
             [](pugi::xml_node r) { setText(segment(r, 1).child("Path"), "00000077.dat"); }},
            {"missing folder", 0x031AB004,
             [](pugi::xml_node r) { setText(track(r).child("Folder"), "Track77"); }},
            {"same file twice", 0x030CB002,
             [](pugi::xml_node r) {
                 setText(segment(r, 1).child("Path"), segment(r, 0).child_value("Path"));
             }},
            {"same folder twice", 0x030CB002, [](pugi::xml_node r) { r.append_copy(track(r)); }},
        };
    for (const auto& [name, code, change] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(openChanged(change), 0);
        EXPECT_EQ(Kestrum_GetLastError(), code);
        EXPECT_EQ(filesUnder(outside), (std::set<std::string>{"00000001.dat", "secret.txt"}));
        EXPECT_TRUE(Exists(env().path("00000001.dat")));
        EXPECT_EQ(filesUnder(m_folder), m_files);
    }
    // A linked data file is no file of the data folder either.
    std::filesystem::create_symlink(outside + "/00000001.dat", m_folder + "/00000050.dat");
    EXPECT_EQ(
        openChanged([](pugi::xml_node r) { setText(segment(r, 1).child("Path"), "00000050.dat"); }),
        0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0310B002u);
    EXPECT_TRUE(Exists(outside + "/00000001.dat"));
}

TEST_F(BadProject, ARelativeTmpPathIsResolvedAgainstTheProjectsFolder)
{
    // good.zvp sits in the test root; the session folder is tmp/Vorlain_Tmp...
    const std::string relative =
        std::filesystem::relative(m_session->m_tempFolder, env().root()).string();
    ASSERT_EQ(relative.rfind("tmp/Vorlain_Tmp", 0), 0u);
    env().makeDir("elsewhere");
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(env().path("elsewhere")); // must not matter
    const int ok =
        openChanged([&](pugi::xml_node r) { setText(r.child("TmpPath"), relative.c_str()); });
    std::filesystem::current_path(cwd);
    EXPECT_EQ(ok, 1);
}
