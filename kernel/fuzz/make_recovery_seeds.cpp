// Writes seeds for kernel_fuzz_recovery: a session edits a short track the
// way the recovery tests do, and after each change its recovery document and
// log are copied as one input (document, NUL, log), its folders written as
// the target's "@W" paths.
//
//   kernel_fuzz_make_recovery_seeds kernel/fuzz/recovery_seeds
#include "session/edit_session.h"
#include "session/recovery_journal.h"
#include "track/track.h"
#include "vorlain/kestrum.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int64_t kSecond = 1'000'000;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void putLittle(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A 16-bit stereo ramp of the given length at 44.1 kHz.
bool writeRamp(const std::string& path, uint32_t frames)
{
    const uint32_t bytes = frames * 4;
    std::string wav = "RIFF";
    putLittle(wav, 36 + bytes, 4);
    wav += "WAVEfmt ";
    putLittle(wav, 16, 4);
    putLittle(wav, 1, 2);
    putLittle(wav, 2, 2);
    putLittle(wav, 44100, 4);
    putLittle(wav, 44100 * 4, 4);
    putLittle(wav, 4, 2);
    putLittle(wav, 16, 2);
    wav += "data";
    putLittle(wav, bytes, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        putLittle(wav, i & 0xffff, 2);
        putLittle(wav, (~i) & 0xffff, 2);
    }
    std::ofstream out(path, std::ios::binary);
    out << wav;
    return bool(out);
}

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

class SeedWriter {
public:
    SeedWriter(std::string out, std::string base) : m_out(std::move(out)), m_base(std::move(base))
    {
    }

    void Snapshot(const CEditSession* session, const char* name)
    {
        const std::string folder = session->m_tempFolder;
        std::string document = readFile(folder + "/" + kernel::kRecoveryName);
        std::string log = readFile(folder + "/" + kernel::kRecoveryLogName);
        const std::string session_ = "@W/session/Vorlain_TmpFuzz";
        const std::string saved = "@W/saved.zvp";
        replaceAll(document, folder, session_);
        replaceAll(document, m_base + "/saved.zvp", saved);
        // A log's texts carry their length: "N:text".
        for (const auto& [from, to] :
             {std::pair{folder, session_}, std::pair{m_base + "/saved.zvp", saved}})
            replaceAll(log, std::to_string(from.size()) + ":" + from,
                       std::to_string(to.size()) + ":" + to);
        std::ofstream seed(m_out + "/" + name, std::ios::binary);
        seed << document << '\0' << log;
        std::printf("%s: %zu + %zu bytes\n", name, document.size(), log.size());
    }

private:
    std::string m_out;
    std::string m_base;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED-FOLDER\n", argv[0]);
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/recovery-seeds-XXXXXX";
    if (!mkdtemp(base.data()))
        return 1;
    fs::create_directories(argv[1]);
    SeedWriter seeds(argv[1], base);

    const std::string wav = base + "/ramp.wav";
    CEditSession* session = Kestrum_Open(base.c_str());
    CTrack* track = session ? Kestrum_AddTrack(session, nullptr) : nullptr;
    if (!writeRamp(wav, 44100 * 3) || !track || !track->Load(wav.c_str()))
        return 1;
    seeds.Snapshot(session, "loaded");
    Kestrum_Cut(session, 1, kSecond / 2, kSecond);
    TagInfo tag{};
    std::snprintf(tag.title, sizeof tag.title, "%s", "a <title> & more");
    Kestrum_SetTrackTagInfo(session, 1, tag);
    seeds.Snapshot(session, "cut_and_titled");
    Kestrum_Paste(session, 1, kSecond + 123);
    Kestrum_GoBack(session);
    Kestrum_GoNext(session);
    seeds.Snapshot(session, "paste_undo_redo");
    Kestrum_AddTrack(session, nullptr);
    Kestrum_CopyToNew(session, 1, 0, kSecond);
    Kestrum_DeleteTrack(session, 2);
    seeds.Snapshot(session, "tracks_added_and_deleted");
    Kestrum_SaveProject(session, (base + "/saved.zvp").c_str(), 0);
    Kestrum_FadeIn(session, 1, 0, kSecond / 4, 0);
    Kestrum_AddSlience(session, 1, kSecond / 3, kSecond / 5);
    seeds.Snapshot(session, "saved_then_edited");
    Kestrum_Close(session);

    std::error_code ec;
    fs::remove_all(base, ec);
    return 0;
}
