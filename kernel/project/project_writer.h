// Writes the session's present tracks as a project document: base info, tags
// and timelines, pointing at the folders that hold the data files. A copying
// save first gathers every data file into the folder beside the project, as
// hard links where it can (data files never change), with their peak summaries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CEditSession;
class CTrack;

namespace kernel {

class CProjectWriter {
public:
    /** copyData: gather the data files into path + ".data" and name that
     *  folder relative to the project, so the two can move together. */
    CProjectWriter(CEditSession& session, std::string path, bool copyData);

    /** Writes the document beside path and renames it into place, so that a
     *  failed save leaves the previous project file whole. A copying save
     *  posts progress while copying and a final 100, also on failure. On
     *  success the session's project path is set and each track keeps, when
     *  the session closes, the files the document names. false with the last
     *  error set. */
    bool Save();

private:
    /** Where one track's data files go. */
    struct Place {
        CTrack* track;
        std::string folderName; // the Folder text
        std::string folder;     // data folder + "/" + folderName
        bool inPlace;           // the track's own folder is that folder
    };
    bool save();
    bool placeTracks();
    bool copySegment(const std::string& source, const std::string& destination);
    void copySummary(const std::string& source, const std::string& destination);
    bool writeDocument(const std::string& text);
    void keepNamedFiles();
    bool makeFolder(const std::string& path);
    bool placeFile(const std::string& source, const std::string& destination);
    void removeCreated();

    CEditSession& m_session;
    std::string m_path;       // the project file, absolute
    std::string m_dataFolder; // the folder the document's TmpPath names
    bool m_copy;
    std::vector<Place> m_places; // one per track of the session, in list order
    int64_t m_total = 0;         // timeline entries of every track: the progress base
    int64_t m_written = 0;
    std::string m_summaryFolder; // the last summary folder made
    // What this save made, removed again when it fails: never anything that
    // was there before.
    std::vector<std::string> m_createdFiles;
    std::vector<std::string> m_createdFolders;
};

} // namespace kernel
