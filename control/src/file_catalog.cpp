#include "file_catalog.h"

#include "file_cache.h"

#include "vorlain/timeline.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace brimsel {

namespace {
constexpr uint32_t kGone = IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_CLOSE_WRITE |
                           IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_Q_OVERFLOW;
}

CFileCatalog::CFileCatalog() : m_notify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

CFileCatalog::~CFileCatalog()
{
    if (m_notify >= 0)
        ::close(m_notify);
}

void CFileCatalog::Watch(const std::string& folder)
{
    if (m_notify < 0 || !m_watched.insert(folder).second)
        return;
    // New files come all the time (every edit writes some): only what can
    // take a known file away or change it is asked for.
    const int watch = ::inotify_add_watch(m_notify, folder.c_str(),
                                          IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                              IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF);
    if (watch >= 0)
        m_folders[watch] = folder;
}

void CFileCatalog::DrainNotices()
{
    if (m_notify < 0) {
        m_known.clear(); // no notices: every file is looked up every time
        return;
    }
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(m_notify, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const struct inotify_event*>(p);
            p += sizeof(struct inotify_event) + e->len;
            if (!(e->mask & kGone))
                continue;
            if (e->mask & IN_Q_OVERFLOW) {
                m_known.clear(); // notices were lost: trust nothing
                continue;
            }
            const auto folder = m_folders.find(e->wd);
            if (folder == m_folders.end())
                continue;
            if (e->len == 0 || (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))) {
                // The folder itself went: forget everything in it.
                const std::string prefix = folder->second + "/";
                for (auto it = m_known.begin(); it != m_known.end();)
                    it = it->first.compare(0, prefix.size(), prefix) == 0 ? m_known.erase(it)
                                                                          : std::next(it);
                if (e->mask & IN_IGNORED) {
                    m_watched.erase(folder->second);
                    m_folders.erase(folder);
                }
                continue;
            }
            m_known.erase(folder->second + "/" + e->name);
        }
    }
}

std::shared_ptr<const FileIdentity> CFileCatalog::Find(const std::string& path, int channels)
{
    auto known = m_known.find(path);
    if (known != m_known.end() && known->second->channels == channels)
        return known->second;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        Watch(path.substr(0, slash)); // before the look-up: no change slips between
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    auto id = std::make_shared<FileIdentity>();
    id->path = path;
    id->device = static_cast<uint64_t>(st.st_dev);
    id->inode = static_cast<uint64_t>(st.st_ino);
    id->size = static_cast<uint64_t>(st.st_size);
    id->modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id->channels = channels;
    m_known[path] = id;
    return id;
}

FileList CFileCatalog::Resolve(const std::vector<std::string>& files, int channels)
{
    DrainNotices();
    FileList out;
    out.reserve(files.size());
    for (const std::string& path : files) {
        std::shared_ptr<const FileIdentity> id = Find(path, channels);
        if (!id)
            break;
        out.push_back(std::move(id));
    }
    return out;
}

void CFileCatalog::Prefetch(const std::vector<std::string>& paths, int channels)
{
    // Below this many files one thread looks them up sooner than two start.
    constexpr size_t kParallelFiles = 256;
    if (paths.size() < kParallelFiles)
        return;
    // Folders are watched before their files are looked up: no change slips
    // between the look-up and the watch.
    std::string lastFolder;
    for (const std::string& path : paths) {
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos && path.compare(0, slash, lastFolder) != 0) {
            lastFolder = path.substr(0, slash);
            Watch(lastFolder);
        }
    }
    std::vector<std::shared_ptr<FileIdentity>> found(paths.size());
    auto look = [&](size_t first, size_t end) {
        CFolderHandle folder;
        for (size_t i = first; i < end; ++i) {
            struct stat st {};
            const char* name = nullptr;
            const int at = folder.At(paths[i], &name);
            if (::fstatat(at, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue;
            auto id = std::make_shared<FileIdentity>();
            id->path = paths[i];
            id->device = static_cast<uint64_t>(st.st_dev);
            id->inode = static_cast<uint64_t>(st.st_ino);
            id->size = static_cast<uint64_t>(st.st_size);
            id->modifiedNs =
                static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
            id->channels = channels;
            found[i] = std::move(id);
        }
    };
    const size_t half = paths.size() / 2;
    std::thread second;
    try {
        second = std::thread(look, half, paths.size());
    } catch (const std::system_error&) {
        look(half, paths.size());
    }
    look(0, half);
    if (second.joinable())
        second.join();
    for (size_t i = 0; i < paths.size(); ++i)
        if (found[i])
            m_known[paths[i]] = std::move(found[i]);
}

FileList CFileCatalog::Resolve(const CTimeline& timeline, int channels)
{
    DrainNotices();
    if (m_notify >= 0) {
        // The files not known yet, looked up together first.
        std::vector<std::string> unknown;
        timeline.ForEachPath([&](const CSegmentSpan& span, const std::string& path) {
            if (span.IsHeader())
                return;
            const auto known = m_known.find(path);
            if (known == m_known.end() || known->second->channels != channels)
                unknown.push_back(path);
        });
        Prefetch(unknown, channels);
    }
    FileList out;
    out.reserve(timeline.GetCount());
    bool ended = false;
    timeline.ForEachPath([&](const CSegmentSpan& span, const std::string& path) {
        if (ended || span.IsHeader())
            return;
        std::shared_ptr<const FileIdentity> id = Find(path, channels);
        if (!id)
            ended = true;
        else
            out.push_back(std::move(id));
    });
    return out;
}

} // namespace brimsel
