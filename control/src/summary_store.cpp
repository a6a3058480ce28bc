#include "summary_store.h"

namespace brimsel {

std::string FileIdentity::Key() const
{
    std::string key = path;
    key += '\0';
    key += std::to_string(device) + ':' + std::to_string(inode) + ':' + std::to_string(size) + ':' +
           std::to_string(modifiedNs) + ':' + std::to_string(channels);
    return key;
}

CSummaryStore::CSummaryStore(size_t budgetBytes) : m_budget(budgetBytes) {}

CSummaryStore& CSummaryStore::Shared()
{
    // 512 MB holds the summaries of about fifty hours of stereo audio.
    static CSummaryStore* store = new CSummaryStore(size_t(512) << 20);
    return *store;
}

std::shared_ptr<const CFileSummary> CSummaryStore::Find(const FileIdentity& file)
{
    std::lock_guard guard(m_lock);
    auto it = m_index.find(file.Key());
    if (it == m_index.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it->second);
    return it->second->summary;
}

void CSummaryStore::Insert(const FileIdentity& file, std::shared_ptr<const CFileSummary> summary)
{
    if (!summary)
        return;
    std::lock_guard guard(m_lock);
    std::string key = file.Key();
    auto it = m_index.find(key);
    if (it != m_index.end()) {
        m_bytes -= it->second->summary->Bytes();
        m_entries.erase(it->second);
        m_index.erase(it);
    }
    m_bytes += summary->Bytes();
    m_entries.push_front(Entry{key, std::move(summary)});
    m_index.emplace(std::move(key), m_entries.begin());
    while (m_bytes > m_budget && m_entries.size() > 1) {
        Entry& last = m_entries.back();
        m_bytes -= last.summary->Bytes();
        m_index.erase(last.key);
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
