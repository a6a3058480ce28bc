// A process-wide store of data-file summaries shared by every view, bounded
// by a memory budget and emptied least-recently-used first.
#pragma once

#include "file_summary.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brimsel {

/** What identifies one data file's contents: the path alone is not enough,
 *  because a later session may create a new file under a recycled name. */
struct FileIdentity {
    std::string path;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int channels = 0;

    bool operator==(const FileIdentity&) const = default;
};

/** The data files of a track in order, as a row knows them: shared, so that
 *  a request and the next redraw copy pointers, not paths. */
using FileList = std::vector<std::shared_ptr<const FileIdentity>>;

struct FileIdentityHash {
    size_t operator()(const FileIdentity& id) const;
};

class CSummaryStore {
public:
    explicit CSummaryStore(size_t budgetBytes);

    /** The store all views share; never destroyed, so late builder threads
     *  can still reach it during exit. */
    static CSummaryStore& Shared();

    std::shared_ptr<const CFileSummary> Find(const FileIdentity& file);
    void Insert(const FileIdentity& file, std::shared_ptr<const CFileSummary> summary);
    /** Many at once, in order (the last ends up most recently used): one
     *  lock and one growth of the index for a long track's first draw. */
    void
    Insert(const std::vector<std::pair<const FileIdentity*, std::shared_ptr<const CFileSummary>>>&
               summaries);
    void Clear();

    size_t Count() const;
    size_t Bytes() const;

private:
    struct Entry {
        FileIdentity file;
        std::shared_ptr<const CFileSummary> summary;
    };
    // The index points at the identity its entry holds (list nodes stay
    // put), so each identity is kept, and its path copied, once.
    struct KeyHash {
        size_t operator()(const FileIdentity* id) const { return FileIdentityHash()(*id); }
    };
    struct KeyEqual {
        bool operator()(const FileIdentity* a, const FileIdentity* b) const { return *a == *b; }
    };
    static size_t Cost(const Entry& entry);
    void InsertLocked(const FileIdentity& file, std::shared_ptr<const CFileSummary> summary);

    mutable std::mutex m_lock;
    size_t m_budget;
    size_t m_bytes = 0;
    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<const FileIdentity*, std::list<Entry>::iterator, KeyHash, KeyEqual> m_index;
};

} // namespace brimsel
