#include "summary_store.h"

#include <functional>

namespace brimsel {

size_t FileIdentityHash::operator()(const FileIdentity& id) const
{
    size_t h = std::hash<std::string>()(id.path);
    for (uint64_t v : {id.device, id.inode, id.size, static_cast<uint64_t>(id.modifiedNs),
                       static_cast<uint64_t>(id.channels)})
        h ^= std::hash<uint64_t>()(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}

CSummaryStore::CSummaryStore(size_t budgetBytes) : m_budget(budgetBytes) {}

CSummaryStore& CSummaryStore::Shared()
{
    // Summaries read from the kernel's summary files take about 0.5 kB per
    // 5-second file (their fine level stays on disk); computed ones keep both
    // levels, 14 kB per stereo file: 64 MB hold six hours of those.
    static CSummaryStore* store = new CSummaryStore(size_t(64) << 20);
    return *store;
}

size_t CSummaryStore::Cost(const Entry& entry)
{
    // The summary, the identity and about what the list and the index spend.
    return entry.summary->Bytes() + sizeof(Entry) + entry.file.path.size() + 64;
}

std::shared_ptr<const CFileSummary> CSummaryStore::Find(const FileIdentity& file)
{
    std::lock_guard guard(m_lock);
    auto it = m_index.find(&file);
    if (it == m_index.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it->second);
    return it->second->summary;
}

void CSummaryStore::Insert(const FileIdentity& file, std::shared_ptr<const CFileSummary> summary)
{
    std::lock_guard guard(m_lock);
    InsertLocked(file, std::move(summary));
}

void CSummaryStore::Insert(
    const std::vector<std::pair<const FileIdentity*, std::shared_ptr<const CFileSummary>>>&
        summaries)
{
    std::lock_guard guard(m_lock);
    m_index.reserve(m_index.size() + summaries.size());
    for (const auto& [file, summary] : summaries)
        InsertLocked(*file, summary);
}

void CSummaryStore::InsertLocked(const FileIdentity& file,
                                 std::shared_ptr<const CFileSummary> summary)
{
    if (!summary)
        return;
    auto it = m_index.find(&file);
    if (it != m_index.end()) {
        const auto entry = it->second;
        m_bytes -= Cost(*entry);
        m_index.erase(it);
        m_entries.erase(entry);
    }
    m_entries.push_front(Entry{file, std::move(summary)});
    m_bytes += Cost(m_entries.front());
    m_index.emplace(&m_entries.front().file, m_entries.begin());
    while (m_bytes > m_budget && m_entries.size() > 1) {
        Entry& last = m_entries.back();
        m_bytes -= Cost(last);
        m_index.erase(&last.file);
        m_entries.pop_back();
    }
}

void CSummaryStore::Clear()
{
    std::lock_guard guard(m_lock);
    m_entries.clear();
    m_index.clear();
    m_bytes = 0;
}

size_t CSummaryStore::Count() const
{
    std::lock_guard guard(m_lock);
    return m_entries.size();
}

size_t CSummaryStore::Bytes() const
{
    std::lock_guard guard(m_lock);
    return m_bytes;
}

} // namespace brimsel
