// libFuzzer target: a dead session's recovery folder as a crash or a disk
// may leave it. The input is the document, a NUL byte, then its log. "@W"
// stands for the target's work folder: anywhere in the document, and at the
// start of a text in the log (whose length counts the two letters). The document is read
// with its log applied, the project it names is looked up, the folder is
// found as orphaned and then discarded. Besides crashes, hangs, leaks and
// unbounded allocations, the target aborts when the discard removed a file
// outside the data root's track folders or a file a saved project names.
//
//   kernel_fuzz_recovery -dict=kernel/fuzz/recovery.dict CORPUS kernel/fuzz/recovery_seeds
#include "session/recovery_document.h"
#include "session/recovery_journal.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string& workDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/recovery-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const bool cleanup = [] {
        // The folder and its files serve only this run.
        return std::atexit([] {
                   std::error_code ec;
                   fs::remove_all(dir, ec);
               }) == 0;
    }();
    (void)cleanup;
    return dir;
}

std::string sessionFolder()
{
    return workDir() + "/session/Vorlain_TmpFuzz";
}

void writeFile(const std::string& path, std::string_view bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Data files the discard may never remove: outside any track folder of the
// data root, and (when the recovery names the saved project) the one that
// project names.
const char* const kSentinels[] = {"keep.txt", "00000001.dat", "outside/00000001.dat",
                                  "session/00000001.dat",
                                  "session/Vorlain_TmpFuzz/Track00/00000001.dat"};

// A project saved by the session: it names the first data file of Track00.
std::string savedProject()
{
    return "<?xml version='1.0'?>\n<AudioProject>\n\t<TmpPath>" + sessionFolder() +
           "</TmpPath>\n\t<Track id=\"0\">\n\t\t<Folder>Track00</Folder>\n\t\t<TimeLine>\n"
           "\t\t\t<Segment><TimeFrom>0</TimeFrom><TimeTo>1000</TimeTo>"
           "<Path>00000001.dat</Path></Segment>\n\t\t</TimeLine>\n\t</Track>\n</AudioProject>\n";
}

// The session folder as the dead session left it, made anew for every input
// so that runs do not depend on each other.
void resetFiles()
{
    const std::string w = workDir();
    const std::string s = sessionFolder();
    std::error_code ec;
    fs::remove_all(w + "/session", ec);
    fs::remove_all(w + "/outside", ec);
    fs::create_directories(s + "/Track00", ec);
    fs::create_directories(s + "/Track01", ec);
    fs::create_directories(w + "/outside", ec);
    for (const char* name : {"Track00/00000000.dat", "Track00/00000002.dat", "Track00/00000003.dat",
                             "Track01/00000001.dat", "Track01/00000002.dat"})
        writeFile(s + "/" + name, "data");
    for (const char* name : kSentinels)
        writeFile(w + "/" + name, "keep");
    writeFile(w + "/saved.zvp", savedProject());
}

void checkSentinels(bool keepsSaved)
{
    for (const char* name : kSentinels)
        if ((keepsSaved || std::strncmp(name, "session/Vorlain", 15) != 0) &&
            !fs::exists(workDir() + "/" + name)) {
            std::fprintf(stderr, "discarding a recovery removed %s\n", name);
            std::abort();
        }
}

std::string withWorkDir(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '@' && i + 1 < text.size() && text[i + 1] == 'W') {
            out += workDir();
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A log's "N:@W..." texts, with the work folder in place and N grown to match.
std::string logWithWorkDir(std::string_view log)
{
    const std::string& w = workDir();
    std::string out;
    out.reserve(log.size());
    size_t copied = 0;
    for (size_t at = log.find(":@W"); at != std::string_view::npos; at = log.find(":@W", at + 1)) {
        size_t digits = at;
        while (digits > copied && log[digits - 1] >= '0' && log[digits - 1] <= '9')
            --digits;
        if (digits == at || at - digits > 9)
            continue;
        const size_t length = std::stoul(std::string(log.substr(digits, at - digits)));
        out.append(log.substr(copied, digits - copied));
        out += std::to_string(length - 2 + w.size());
        out += ':';
        out += w;
        copied = at + 3;
    }
    out.append(log.substr(copied));
    return out;
}

// Inside the work folder, no step up: what the discard may look at without
// reaching files that are not the target's. The checks on what it removes
// are the target's point, so they stay inside.
bool insideWorkDir(const std::string& path)
{
    const std::string w = workDir() + "/";
    return path.compare(0, w.size(), w) == 0 && path.find("/..") == std::string::npos &&
           path.find("/./") == std::string::npos;
}

struct Recovered {
    bool inside = true;      ///< every folder and project it names is in the work folder
    bool keepsSaved = false; ///< it names the saved project, whose data root is its own
};

Recovered readRecovery(const std::string& document)
{
    Recovered r;
    pugi::xml_document doc;
    if (!kernel::LoadRecoveryDocument(document, doc))
        return r;
    const pugi::xml_node root = doc.document_element();
    const std::string dataRoot = kernel::DataRootOf(root, document);
    if (!dataRoot.empty() && !insideWorkDir(dataRoot))
        r.inside = false;
    for (const pugi::xml_node& project : root.children(kernel::kRecoveryProject)) {
        const std::string path = project.child_value();
        if (!insideWorkDir(path))
            r.inside = false;
        else if (path == workDir() + "/saved.zvp" && dataRoot == sessionFolder())
            r.keepsSaved = true;
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    resetFiles();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view documentText = input.substr(0, split);
    const std::string_view logText =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    resetFiles();
    const std::string s = sessionFolder();
    const std::string document = s + "/" + kernel::kRecoveryName;
    writeFile(document, withWorkDir(documentText));
    if (split != std::string_view::npos)
        writeFile(s + "/" + kernel::kRecoveryLogName, logWithWorkDir(logText));

    const std::string found = kernel::FindOrphanedRecovery(workDir() + "/session");
    if (found != document) {
        std::fprintf(stderr, "the orphaned recovery was not found: \"%s\"\n", found.c_str());
        std::abort();
    }
    const Recovered recovered = readRecovery(document);
    if (!recovered.inside)
        return 0;
    kernel::RecoveredProjectPath(document);
    if (!kernel::DiscardRecovery(document))
        std::abort(); // no live session holds the folder
    checkSentinels(recovered.keepsSaved);
    return 0;
}
