// Vorlain at 1 minute, 1 hour and 10 hours of stereo 44.1 kHz audio, in one
// run: import of an MP3, each range edit, undo and redo, each effect over 10
// minutes, project save and open, export to WAV, and in the display control
// the first draw, the redraw after a cut (whole-track view and 10-second
// view), zoom in and out and a scroll, and in the program (its real main
// window) the start to the painted wave, the processor time while it plays
// and Ctrl+X to the repainted row; beside ffmpeg and SoX where they do the
// same job. Prints a table with the ratios of the longest to the
// shortest track and writes every measurement as CSV for bench_plot.
//
// Each part runs in a process of its own (this program again with --job,
// bench_scale_view for the display, bench_scale_program for the program), so that its maximum
// resident size is that part's alone: the kernel's parts load only the kernel, the display part
// also Qt and the control.
//
// The sources are MP3s made with ffmpeg from pink noise under a changing
// volume (the 10-hour one is ten 1-hour ones joined without re-encoding).
// Everything is written below the work folder, which needs about 25 GB.
//
// Usage: bench_scale [--work DIR] [--csv FILE] [--lengths 1,60,600] [--repeats N] [--no-peers]
#include "bench_scale_jobs.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace scale;

namespace {

// ---- the jobs, each in its own process --------------------------------------------

/** Imports the MP3 and saves a plain project that keeps its data files. */
int ImportJob(const std::string& mp3, const std::string& project, const std::string& folder)
{
    QuietProgress();
    CEditSession* session = Kestrum_Open(folder.c_str());
    CTrack* track = nullptr;
    const double seconds = Time([&] { track = Kestrum_AddTrack(session, mp3.c_str()); });
    if (!track) {
        std::fprintf(stderr, "import failed: 0x%08x\n", Kestrum_GetLastError());
        return 1;
    }
    Report("vorlain", "import MP3", seconds);
    ReportMemory("import");
    Kestrum_SaveProject(session, project.c_str(), 0);
    Kestrum_Close(session);
    return 0;
}

/** The kernel's operations on the track of a project. */
int KernelJob(const std::string& project, const std::string& work, const std::string& tag,
              int repeats)
{
    QuietProgress();
    // The import and the peers before this job leave gigabytes for the disk
    // to take: timed with that write-back under way, millisecond edits
    // measure the disk, not the editor.
    ::sync();
    CEditSession* session = Kestrum_Open(nullptr);
    int opened = 0;
    Report("vorlain", "open project",
           Time([&] { opened = Kestrum_OpenProject(session, project.c_str()); }));
    if (!opened || Kestrum_GetTrackTime(session, 1) <= 0) {
        std::fprintf(stderr, "cannot open %s: 0x%08x\n", project.c_str(), Kestrum_GetLastError());
        return 1;
    }
    const int64_t length = Kestrum_GetTrackTime(session, 1);
    const int64_t mid = length / 2 + 123'457; // on no segment boundary
    ReportMemory("open");

    auto undone = [&](const std::function<void()>& edit) {
        const double t = Time(edit);
        Kestrum_GoBack(session);
        return t;
    };
    Kestrum_Copy(session, 1, kSecond, 2 * kSecond);
    const std::vector<std::pair<std::string, std::function<double()>>> edits = {
        {"cut 1 s", [&] { return undone([&] { Kestrum_Cut(session, 1, mid, mid + kSecond); }); }},
        {"delete 1 s",
         [&] { return undone([&] { Kestrum_Delete(session, 1, mid, mid + kSecond); }); }},
        {"trim to 1 s",
         [&] { return undone([&] { Kestrum_Trim(session, 1, mid, mid + kSecond); }); }},
        {"paste 1 s", [&] { return undone([&] { Kestrum_Paste(session, 1, mid); }); }},
        {"insert 1 s of silence",
         [&] { return undone([&] { Kestrum_AddSlience(session, 1, mid, kSecond); }); }},
    };
    for (const auto& [name, edit] : edits) {
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i)
            times.push_back(edit());
        Report("vorlain", name, Median(times));
    }
    // Undo and redo take microseconds: 50 steps at a time.
    constexpr int kSteps = 50;
    std::vector<double> undo, redo;
    for (int i = 0; i < repeats; ++i) {
        for (int k = 0; k < kSteps; ++k)
            Kestrum_Delete(session, 1, mid, mid + 1000);
        undo.push_back(Time([&] {
                           for (int k = 0; k < kSteps; ++k)
                               Kestrum_GoBack(session);
                       }) /
                       kSteps);
        redo.push_back(Time([&] {
                           for (int k = 0; k < kSteps; ++k)
                               Kestrum_GoNext(session);
                       }) /
                       kSteps);
        for (int k = 0; k < kSteps; ++k)
            Kestrum_GoBack(session);
    }
    Report("vorlain", "undo", Median(undo));
    Report("vorlain", "redo", Median(redo));
    ReportMemory("edits");

    // Effects over ten minutes from the 20th (over what there is of a shorter track).
    const int64_t from = std::min<int64_t>(1200 * kSecond, length / 4);
    const int64_t to = std::min<int64_t>(from + 600 * kSecond, length);
    const std::vector<std::pair<std::string, std::function<void()>>> effects = {
        {"fade in 10 min", [&] { Kestrum_FadeIn(session, 1, from, to, 0); }},
        {"fade out 10 min", [&] { Kestrum_FadeOut(session, 1, from, to, 0); }},
        {"echo 10 min",
         [&] { Kestrum_Echo(session, 1, from, to, 0, 0, vorlain::FloatBits(0.5f)); }},
        {"silence 10 min", [&] { Kestrum_Silence(session, 1, from, to); }},
        {"volume 10 min", [&] { Kestrum_AdjustVolumn(session, 1, from, to, 50); }},
    };
    for (const auto& [name, effect] : effects)
        Report("vorlain", name, undone(effect));
    ReportMemory("effects");

    // Playback from near the end: 5 seconds from 90% of the track, into ALSA's
    // null device, which takes blocks as fast as they come, so this is the
    // time to find the place and stream the files under it.
    setenv("VORLAIN_PCM", "null", 1);
    if (CAudoPlayMgr* player = AudioPlay_Open(session, 1)) {
        const int64_t start = length / 10 * 9;
        // Median time from the call until the device has taken audio past
        // `until` (or the play ended).
        auto playUntil = [&](int64_t until) {
            std::vector<double> times;
            for (int i = 0; i < repeats; ++i) {
                times.push_back(Time([&] {
                    if (!AudioPlay_PlaySeekTime(player, start))
                        return;
                    while (AudioPlay_QueryStauts(player) != 0 &&
                           AudioPlay_GetPlayingTime(player) <= until)
                        std::this_thread::sleep_for(std::chrono::microseconds(50));
                }));
                AudioPlay_Stop(player);
            }
            return Median(times);
        };
        // The start alone: the first audio past the start point.
        Report("vorlain", "playback start at 90%", playUntil(start));
        Report("vorlain", "play 5 s from 90%", playUntil(start + 5 * kSecond - 1));
        AudioPlay_Close(player);
    }
    ReportMemory("playback");

    const std::string saved = work + "/" + tag + "-save.zvp";
    const std::string copied = work + "/" + tag + "-copy.zvp";
    // What an earlier run saved would be replaced file by file: each run
    // saves into places that do not exist yet.
    for (const std::string& project : {saved, copied}) {
        std::filesystem::remove_all(project + ".data");
        std::filesystem::remove(project);
    }
    // A save syncs its document, and on ext4 that waits for whatever the
    // file system still has to write: gigabytes here, from the import, the
    // peers and the effects just run. Each save starts with that done, so
    // that it is timed for its own work.
    ::sync();
    Report("vorlain", "save project",
           Time([&] { Kestrum_SaveProject(session, saved.c_str(), 0); }));
    ::sync();
    Report("vorlain", "save project with copying",
           Time([&] { Kestrum_SaveProject(session, copied.c_str(), 1); }));
    ReportMemory("save");

    const std::string wav = work + "/" + tag + ".wav";
    Report("vorlain", "export WAV",
           Time([&] { Kestrum_SaveTrackToFile(session, 1, 0, 0, wav.c_str()); }));
    ReportMemory("export");
    Kestrum_Close(session);
    for (const std::string& project : {saved, copied}) {
        std::filesystem::remove_all(project + ".data");
        std::filesystem::remove(project);
    }
    return 0;
}

// ---- the parent: sources, jobs, peers, table ---------------------------------------

struct Measurements {
    // tool -> operation -> length (minutes) -> seconds
    std::map<std::string, std::map<std::string, std::map<int, double>>> values;
    std::vector<std::string> order; // operations in the order met

    void Add(const std::string& tool, const std::string& op, int minutes, double seconds)
    {
        if (std::find(order.begin(), order.end(), op) == order.end())
            order.push_back(op);
        values[tool][op][minutes] = seconds;
    }
};

bool RunJob(const std::string& self, const std::vector<std::string>& args, int minutes,
            Measurements& m)
{
    std::string command = Quote(self);
    for (const std::string& a : args)
        command += " " + Quote(a);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        if (std::strncmp(line, "RESULT ", 7) != 0) {
            std::fputs(line, stdout);
            continue;
        }
        std::string text(line + 7);
        const size_t a = text.find('|'), b = text.find('|', a + 1);
        m.Add(text.substr(0, a), text.substr(a + 1, b - a - 1), minutes,
              std::atof(text.c_str() + b + 1));
    }
    return pclose(pipe) == 0;
}

std::string Name(int minutes)
{
    return minutes < 60 ? std::to_string(minutes) + "min" : std::to_string(minutes / 60) + "h";
}

/** One MP3 of `minutes` minutes: pink noise under a volume that changes
 *  every few seconds; the 10-hour one joins ten 1-hour ones. */
bool MakeMp3(const std::string& work, int minutes)
{
    const std::string path = work + "/" + Name(minutes) + ".mp3";
    if (std::filesystem::exists(path))
        return true;
    if (minutes > 60 && minutes % 60 == 0) {
        if (!MakeMp3(work, 60))
            return false;
        const std::string list = work + "/concat.txt";
        FILE* f = std::fopen(list.c_str(), "w");
        for (int i = 0; i < minutes / 60; ++i)
            std::fprintf(f, "file '%s/1h.mp3'\n", work.c_str());
        std::fclose(f);
        return Shell("ffmpeg -y -f concat -safe 0 -i " + Quote(list) + " -c copy " + Quote(path)) ==
               0;
    }
    return Shell("ffmpeg -y -f lavfi -i 'anoisesrc=color=pink:r=44100:a=0.5:d=" +
                 std::to_string(minutes * 60) +
                 "' -af \"volume='0.2+0.8*abs(sin(t/3))':eval=frame\" -ac 2 -b:a 128k " +
                 Quote(path)) == 0;
}

void PrintTable(const Measurements& m, const std::vector<int>& lengths)
{
    auto cell = [&](const std::string& tool, const std::string& op, int minutes) -> double {
        auto t = m.values.find(tool);
        if (t == m.values.end())
            return -1;
        auto o = t->second.find(op);
        if (o == t->second.end())
            return -1;
        auto l = o->second.find(minutes);
        return l == o->second.end() ? -1 : l->second;
    };
    auto fmt = [](double s) {
        char b[32];
        if (s < 0)
            std::snprintf(b, sizeof b, "-");
        else if (s < 0.001)
            std::snprintf(b, sizeof b, "%.2f µs", s * 1e6);
        else if (s < 1)
            std::snprintf(b, sizeof b, "%.1f ms", s * 1000);
        else
            std::snprintf(b, sizeof b, "%.2f s", s);
        return std::string(b);
    };
    std::printf("\n| operation | tool |");
    for (int l : lengths)
        std::printf(" %s |", Name(l).c_str());
    std::printf(" %s / %s |\n|---|---|", Name(lengths.back()).c_str(),
                Name(lengths.front()).c_str());
    for (size_t i = 0; i <= lengths.size(); ++i)
        std::printf("---|");
    std::printf("\n");
    for (const std::string& op : m.order) {
        for (const char* tool : {"vorlain", "ffmpeg", "sox"}) {
            if (cell(tool, op, lengths.front()) < 0 && cell(tool, op, lengths.back()) < 0)
                continue;
            std::printf("| %s | %s |", op.c_str(), tool);
            for (int l : lengths)
                std::printf(" %s |", fmt(cell(tool, op, l)).c_str());
            const double a = cell(tool, op, lengths.front()), b = cell(tool, op, lengths.back());
            if (a > 0 && b >= 0)
                std::printf(" %.2f |\n", b / a);
            else
                std::printf(" - |\n");
        }
    }
    // A table of one value per length; each row is the operation prefix + row of tool.
    auto lengthTable = [&](const char* title, const char* tool, const char* prefix,
                           std::initializer_list<const char*> rows, const char* format,
                           double scale) {
        std::printf("\n| %s |", title);
        for (int l : lengths)
            std::printf(" %s |", Name(l).c_str());
        std::printf("\n|---|");
        for (size_t i = 0; i < lengths.size(); ++i)
            std::printf("---|");
        std::printf("\n");
        for (const char* row : rows) {
            std::printf("| %s |", row);
            for (int l : lengths) {
                const double v = cell(tool, std::string(prefix) + row, l);
                std::printf(v < 0 ? " - |" : format, v * scale);
            }
            std::printf("\n");
        }
    };
    lengthTable("maximum resident size (MB)", "rss", "",
                {"import", "open", "edits", "effects", "playback", "save", "export",
                 "control alone", "view", "program", "program playing"},
                " %.0f |", 1);
    lengthTable("program: processor time (% of one core)", "cpu", "program: ", {"idle", "playing"},
                " %.2f |", 100);
}

} // namespace

int main(int argc, char** argv)
{
    std::string work = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string csv;
    std::vector<int> lengths = {1, 60, 600};
    int repeats = 9;
    bool peers = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--job" && i + 1 < argc) {
            const std::string job = argv[i + 1];
            if (job == "import" && i + 4 < argc)
                return ImportJob(argv[i + 2], argv[i + 3], argv[i + 4]);
            if (job == "kernel" && i + 5 < argc)
                return KernelJob(argv[i + 2], argv[i + 3], argv[i + 4], std::atoi(argv[i + 5]));
            return 2;
        }
        if (a == "--work" && i + 1 < argc)
            work = argv[++i];
        else if (a == "--csv" && i + 1 < argc)
            csv = argv[++i];
        else if (a == "--no-peers")
            peers = false;
        else if (a == "--repeats" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (a == "--lengths" && i + 1 < argc) {
            lengths.clear();
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');)
                lengths.push_back(std::max(1, std::atoi(item.c_str())));
        }
    }
    if (Shell("ffmpeg -version") != 0 || Shell("sox --version") != 0) {
        std::fprintf(stderr, "bench_scale needs the ffmpeg and sox programs\n");
        return 1;
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    work = std::filesystem::absolute(work).string() + "/vorlain_scale";
    std::filesystem::create_directories(work);
    Measurements m;
    // The program itself, timed from just before its process starts.
    const std::string program =
        (std::filesystem::path(self).parent_path() / "bench_scale_program").string();
    auto startedNow = [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return std::to_string(int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec);
    };
    const std::string startOp = "program: start to wave painted";
    std::map<int, std::vector<double>> starts; // by length
    std::vector<std::pair<int, std::string>> projects;
    for (int minutes : lengths) {
        const std::string tag = Name(minutes);
        std::printf("== %s ==\n", tag.c_str());
        std::fflush(stdout);
        if (!MakeMp3(work, minutes)) {
            std::fprintf(stderr, "cannot make the %s MP3\n", tag.c_str());
            return 1;
        }
        const std::string mp3 = work + "/" + tag + ".mp3";
        const std::string project = work + "/" + tag + ".zvp";
        const std::string folder = work + "/" + tag + "-session";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // Import beside ffmpeg doing the same conversion, turn about.
        if (!RunJob(self, {"--job", "import", mp3, project, folder}, minutes, m))
            return 1;
        const std::string peer = work + "/peer.wav";
        if (peers) {
            m.Add("ffmpeg", "import MP3", minutes,
                  Time([&] { Shell("ffmpeg -y -i " + Quote(mp3) + " " + Quote(peer)); }));
            m.Add("sox", "import MP3", minutes,
                  Time([&] { Shell("sox " + Quote(mp3) + " " + Quote(peer)); }));
            std::filesystem::remove(peer);
        }

        if (!RunJob(self, {"--job", "kernel", project, work, tag, std::to_string(repeats)}, minutes,
                    m))
            return 1;
        const std::string wav = work + "/" + tag + ".wav";
        if (peers) {
            // The same jobs done by rewriting a wave file, as an editor without
            // a segment store does them.
            const std::string out = work + "/peer-out.wav";
            const double mid = minutes * 30.0 + 0.123457;
            const double from = std::min(1200.0, minutes * 15.0),
                         span = std::min(600.0, minutes * 60.0 - from);
            auto sox = [&](const std::string& op, const std::string& effect) {
                m.Add("sox", op, minutes,
                      Time([&] { Shell("sox " + Quote(wav) + " " + Quote(out) + " " + effect); }));
                std::filesystem::remove(out);
            };
            sox("cut 1 s", "trim 0 =" + std::to_string(mid) + " =" + std::to_string(mid + 1));
            sox("volume 10 min",
                "trim " + std::to_string(from) + " " + std::to_string(span) + " vol 0.5");
            sox("fade in 10 min", "trim " + std::to_string(from) + " " + std::to_string(span) +
                                      " fade t " + std::to_string(span));
            sox("export WAV", "");
            m.Add("ffmpeg", "export WAV", minutes, Time([&] {
                      Shell("ffmpeg -y -i " + Quote(wav) + " -c copy -rf64 auto " + Quote(out));
                  }));
            std::filesystem::remove(out);
        }
        std::filesystem::remove(wav);

        const std::string viewer =
            (std::filesystem::path(self).parent_path() / "bench_scale_view").string();
        if (!RunJob(viewer, {project, std::to_string(repeats)}, minutes, m))
            return 1;
        if (!RunJob(program, {project, std::to_string(repeats), startedNow()}, minutes, m))
            return 1;
        starts[minutes].push_back(m.values["vorlain"][startOp][minutes]);
        projects.emplace_back(minutes, project);
        std::filesystem::remove(work + "/" + tag + "-save.zvp");
    }
    // A start varies by a third from one to the next on a busy machine, and
    // the machine drifts over the minutes between the lengths: the other
    // starts of each are made at the end, the lengths in turn, and the row
    // shows the median of five.
    ::sync();
    for (int i = 0; i < 4; ++i)
        for (const auto& [minutes, project] : projects) {
            Measurements again;
            if (!RunJob(program, {project, "1", startedNow(), "start-only"}, minutes, again))
                return 1;
            starts[minutes].push_back(again.values["vorlain"][startOp][minutes]);
        }
    for (auto& [minutes, times] : starts) {
        std::sort(times.begin(), times.end());
        m.Add("vorlain", startOp, minutes, times[times.size() / 2]);
    }
    for (const auto& [minutes, project] : projects) {
        std::filesystem::remove_all(project + ".program-home");
        std::filesystem::remove_all(work + "/" + Name(minutes) + "-session"); // its data files
        std::filesystem::remove(project);
    }
    PrintTable(m, lengths);
    if (!csv.empty()) {
        FILE* f = std::fopen(csv.c_str(), "w");
        std::fprintf(f, "tool,operation,minutes,seconds\n");
        for (const auto& [tool, ops] : m.values)
            for (const auto& [op, byLength] : ops)
                for (const auto& [minutes, seconds] : byLength)
                    std::fprintf(f, "%s,%s,%d,%.9g\n", tool.c_str(), op.c_str(), minutes, seconds);
        std::fclose(f);
        std::printf("\nwrote %s\n", csv.c_str());
    }
    return 0;
}
