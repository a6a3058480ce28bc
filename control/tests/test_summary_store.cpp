// The store of data-file summaries that every view shares: many summaries
// put in at once, as a long track's first draw does.
#include "summary_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace brimsel;

namespace {

FileIdentity Identity(int n)
{
    FileIdentity id;
    id.path = "/track/f" + std::to_string(n) + ".dat";
    id.inode = 1000 + static_cast<uint64_t>(n);
    id.size = 882000;
    id.channels = 2;
    return id;
}

std::shared_ptr<const CFileSummary> Summary()
{
    return std::make_shared<CFileSummary>(2, 64 * 100);
}

using Batch = std::vector<std::pair<const FileIdentity*, std::shared_ptr<const CFileSummary>>>;

} // namespace

TEST(SummaryStore, ManyAtOnceAreFoundAndTheLastIsTheMostRecentlyUsed)
{
    CSummaryStore probe(size_t(1) << 30);
    probe.Insert(Identity(0), Summary());
    const size_t one = probe.Bytes();

    std::vector<FileIdentity> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(Identity(i));
    Batch batch;
    std::vector<std::shared_ptr<const CFileSummary>> summaries;
    for (const FileIdentity& id : ids) {
        summaries.push_back(Summary());
        batch.emplace_back(&id, summaries.back());
    }
    CSummaryStore store(size_t(1) << 30);
    store.Insert(batch);
    EXPECT_EQ(store.Count(), 5u);
    EXPECT_EQ(store.Bytes(), 5 * one);
    for (size_t i = 0; i < ids.size(); ++i) {
        // Found through an identity of its own, not the one put in.
        const FileIdentity copy = Identity(static_cast<int>(i));
        EXPECT_EQ(store.Find(copy), summaries[i]);
    }

    // A budget of three keeps the last three of a batch.
    CSummaryStore small(3 * one);
    small.Insert(batch);
    EXPECT_EQ(small.Count(), 3u);
    EXPECT_EQ(small.Bytes(), 3 * one);
    EXPECT_FALSE(small.Find(Identity(0)));
    EXPECT_FALSE(small.Find(Identity(1)));
    EXPECT_EQ(small.Find(Identity(4)), summaries[4]);
    EXPECT_EQ(small.Find(Identity(2)), summaries[2]); // now the most recent
    small.Insert(Identity(9), Summary());
    EXPECT_FALSE(small.Find(Identity(3)));
    EXPECT_TRUE(small.Find(Identity(2)));
}

TEST(SummaryStore, AnIdentityPutInAgainReplacesItsSummaryAndItsCost)
{
    CSummaryStore store(size_t(1) << 30);
    const FileIdentity first = Identity(1), second = Identity(2);
    store.Insert(first, Summary());
    const size_t one = store.Bytes();
    const auto newer = Summary();
    // The same file twice in one batch: the later summary stays.
    const FileIdentity again = Identity(1);
    store.Insert(Batch{{&again, Summary()}, {&second, Summary()}, {&again, newer}});
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_EQ(store.Bytes(), 2 * one);
    EXPECT_EQ(store.Find(first), newer);
    // An identity that differs in anything is another file.
    FileIdentity changed = Identity(1);
    changed.size += 4;
    EXPECT_FALSE(store.Find(changed));
    store.Insert(Batch{});
    EXPECT_EQ(store.Count(), 2u);
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_FALSE(store.Find(first));
}
