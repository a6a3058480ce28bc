#include "edits/clipboard.h"

#include "track/track.h"

#include <type_traits>

namespace kernel {

// The record the caller sees comes first, so an entry pointer is a node pointer.
struct CClipboard::Node {
    ClipboardEntry entry{};
    CTrack* source = nullptr;
};
static_assert(std::is_standard_layout_v<ClipboardEntry>);


CClipboard::CClipboard()
{
    m_sentinel = &(new Node)->entry;
    m_current = m_sentinel;
}

CClipboard::~CClipboard()
{
    freeAfter(m_sentinel);
    delete reinterpret_cast<Node*>(m_sentinel);
}

void CClipboard::freeAfter(ClipboardEntry* entry)
{
    ClipboardEntry* e = entry->next;
    entry->next = nullptr;
    while (e) {
        ClipboardEntry* next = e->next;
        Node* node = reinterpret_cast<Node*>(e);
        if (node->source)
            node->source->Release(e->timeline);
        delete node;
        e = next;
    }
}

void CClipboard::Add(CTrack& source, int64_t from, int64_t to, const CTimeline* timeline)
{
    freeAfter(m_current);
    Node* node = new Node;
    node->entry.trackId = source.m_trackId;
    node->entry.from = from;
    node->entry.to = to;
    node->entry.timeline = timeline;
    node->entry.previous = m_current;
    node->source = &source;
    source.Retain(timeline);
    m_current->next = &node->entry;
    m_current = &node->entry;
}

CTrack* CClipboard::CurrentSource() const { return reinterpret_cast<Node*>(m_current)->source; }

bool CClipboard::Back()
{
    if (!m_current->previous)
        return false;
    m_current = m_current->previous;
    return true;
}

bool CClipboard::Forward()
{
    if (!m_current->next)
        return false;
    m_current = m_current->next;
    return true;
}

} // namespace kernel
