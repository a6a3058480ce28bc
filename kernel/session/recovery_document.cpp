#include "session/recovery_document.h"

#include "common/paths.h"
#include "project/project_document.h"
#include "vorlain/timeline.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace kernel {

namespace {

void appendEscaped(std::string& out, const char* text, size_t size)
{
    for (size_t i = 0; i < size && text[i]; ++i) {
        switch (text[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += text[i];
        }
    }
}

} // namespace

int LockSessionFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        errno = why;
        return -1;
    }
    return fd;
}

void AppendNumber(std::string& out, int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void Element(std::string& out, const char* indent, const char* name, const char* text, size_t size)
{
    out += indent;
    out += '<';
    out += name;
    out += '>';
    appendEscaped(out, text, size);
    out += "</";
    out += name;
    out += ">\n";
}

void Element(std::string& out, const char* indent, const char* name, int64_t value)
{
    out += indent;
    out += '<';
    out += name;
    out += '>';
    AppendNumber(out, value);
    out += "</";
    out += name;
    out += ">\n";
}

const char* NameOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void WriteTrack(std::string& out, size_t index, const JournalTrack& track,
                const CTimeline* timeline, uint64_t version)
{
    using namespace project;
    out += "\t<";
    out += kTrack;
    out += " id=\"";
    AppendNumber(out, static_cast<int64_t>(index));
    // The first data file number this session may have written into the
    // folder: what a discarded recovery may remove.
    out += "\" own=\"";
    AppendNumber(out, track.own);
    out += "\" v=\"";
    AppendNumber(out, static_cast<int64_t>(version));
    out += "\">\n";
    Element(out, "\t\t", kFolder, track.folder.c_str(), track.folder.size());
    out += "\t\t<BaseInfo>\n";
    Element(out, "\t\t\t", kName, track.name.c_str(), track.name.size());
    Element(out, "\t\t\t", kTime, timeline ? timeline->EndTime() : 0);
    Element(out, "\t\t\t", kSample, track.sampleRate);
    Element(out, "\t\t\t", kChannel, track.channels);
    Element(out, "\t\t\t", kBitPerSample, track.bytesPerSample);
    out += "\t\t</BaseInfo>\n\t\t<TAG>\n";
    for (size_t i = 0; i < kTrackTagElements.size(); ++i)
        Element(out, "\t\t\t", kTrackTagElements[i], track.tag[i].c_str(), track.tag[i].size());
    out += "\t\t</TAG>\n\t\t<TimeLine>\n";
    if (timeline) {
        timeline->ForEachPath([&](const CSegmentSpan& s, const std::string& path) {
            if (s.IsHeader())
                return;
            out += "\t\t\t<Segment><TimeFrom>";
            AppendNumber(out, s.start);
            out += "</TimeFrom><TimeTo>";
            AppendNumber(out, s.end);
            out += "</TimeTo><Path>";
            const char* name = NameOf(path.c_str());
            appendEscaped(out, name, std::strlen(name));
            out += "</Path></Segment>\n";
        });
    }
    out += "\t\t</TimeLine>\n\t</Track>\n";
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string WithoutTrailingSeparator(std::string path)
{
    path = NormalizePath(std::move(path));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string DataRootOf(const pugi::xml_node& root, const std::string& documentPath)
{
    const char* tmpPath = root.child_value(project::kTmpPath);
    if (!*tmpPath)
        return {};
    return WithoutTrailingSeparator(tmpPath[0] == '/' ? std::string(tmpPath)
                                                      : FolderOf(documentPath) + "/" + tmpPath);
}

} // namespace kernel
