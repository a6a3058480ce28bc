// libFuzzer target: any bytes, stored as a project file beside a real data
// folder, are opened in a fresh session; a project that opens is exported,
// mixed into itself and saved again, then the session closes (which deletes
// the data files the project does not name). Besides crashes, hangs and
// leaks, the target aborts when a file outside the project's data folders
// went missing: a project must never make the kernel delete files it does
// not own.
//
//   kernel_fuzz_project_open -dict=kernel/fuzz/project.dict CORPUS kernel/fuzz/seeds
#include "common/progress.h"
#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string& workDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kernel-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const bool cleanup = [] {
        // The folder and its data files serve only this run.
        return std::atexit([] {
                   std::error_code ec;
                   fs::remove_all(dir, ec);
               }) == 0;
    }();
    (void)cleanup;
    return dir;
}

void writeFile(const std::string& path, size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 31);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0)
        std::fwrite(bytes.data(), 1, size, f);
    std::fclose(f);
}

// Files no project may delete: beside the project, in the data folder's own
// top level, and in a folder that also holds a data-file-like name.
const char* const kSentinels[] = {"keep.txt", "proj.zvp.data/keep.txt", "outside/secret.txt",
                                  "outside/00000001.dat"};

// The data folder the seed project names, made anew for every input so that
// runs do not depend on each other.
void resetFiles()
{
    const std::string w = workDir();
    std::error_code ec;
    fs::remove_all(w + "/proj.zvp.data", ec);
    fs::remove_all(w + "/session", ec);
    fs::create_directories(w + "/proj.zvp.data/Track00", ec);
    fs::create_directories(w + "/proj.zvp.data/Track01", ec);
    fs::create_directories(w + "/outside", ec);
    fs::create_directories(w + "/session", ec);
    writeFile(w + "/proj.zvp.data/Track00/00000000.dat", 44, 1);
    writeFile(w + "/proj.zvp.data/Track00/00000001.dat", 4096, 2);
    writeFile(w + "/proj.zvp.data/Track00/00000002.dat", 2048, 3);
    writeFile(w + "/proj.zvp.data/Track01/00000001.dat", 1024, 4);
    for (const char* name : kSentinels)
        writeFile(w + "/" + name, 16, 5);
}

void checkSentinels()
{
    for (const char* name : kSentinels)
        if (!fs::exists(workDir() + "/" + name)) {
            std::fprintf(stderr, "a project deleted %s\n", name);
            std::abort();
        }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No progress dialog is there to wait for.
    kernel::SetFinalProgressWait(std::chrono::milliseconds(0));
    resetFiles();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string w = workDir();
    resetFiles();
    std::FILE* f = std::fopen((w + "/proj.zvp").c_str(), "wb");
    if (!f)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    CEditSession* session = Kestrum_Open((w + "/session").c_str());
    if (Kestrum_OpenProject(session, (w + "/proj.zvp").c_str())) {
        TrackBaseInfo info;
        const uint32_t count = session->TrackCount();
        for (uint32_t id = 1; id <= count; ++id) {
            CTrack* track = session->FindTrack(id);
            Kestrum_GetTrackBaseInfo(session, id, &info);
            // Short tracks only: the export streams as long as the times say.
            if (track->m_length < 10'000'000)
                track->SaveRangeToWave(0, 0, (w + "/out.wav").c_str());
        }
        if (session->FindTrack(1)->m_length < 10'000'000)
            Kestrum_MixTrackFromTrack(session, 1, 1000, count, vorlain::FloatBits(0.5f));
        Kestrum_SaveProject(session, (w + "/resave.zvp").c_str(), 0);
    }
    Kestrum_Close(session);
    checkSentinels();
    return 0;
}
