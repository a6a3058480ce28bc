#include "vorlain/test/message_queue.h"
#include "vorlain/window.h"

#include <gtest/gtest.h>

#include <thread>

using vorlain::test::MessageQueueWindow;

TEST(WindowRegistry, DeadAndNullHandlesAreNoWindowsAndNeverCrash)
{
    EXPECT_EQ(IsWindow(nullptr), 0);
    EXPECT_EQ(PostMessage(nullptr, 1, 2, 3), 0);
    EXPECT_EQ(SendMessage(nullptr, 1, 2, 3), 0);
    EXPECT_EQ(DestroyWindow(nullptr), 0);
    HWND stale;
    {
        MessageQueueWindow w;
        stale = w.hwnd();
        EXPECT_EQ(IsWindow(stale), 1);
    }
    EXPECT_EQ(IsWindow(stale), 0);
    EXPECT_EQ(PostMessage(stale, 1, 2, 3), 0);
    EXPECT_EQ(SendMessage(stale, 1, 2, 3), 0);
    EXPECT_EQ(IsWindowEnabled(stale), 0);
    EXPECT_EQ(IsWindow(reinterpret_cast<HWND>(0x7fffffff)), 0);
}

TEST(WindowRegistry, HandlesAreNeverReused)
{
    HWND first;
    {
        MessageQueueWindow w;
        first = w.hwnd();
    }
    MessageQueueWindow second;
    EXPECT_NE(first, second.hwnd());
    EXPECT_EQ(PostMessage(first, 1, 0, 0), 0);
    EXPECT_TRUE(second.messages().empty());
}

TEST(WindowRegistry, PostAndSendReachTheReceiverWithTheirParameters)
{
    MessageQueueWindow w;
    w.onSend([](const vorlain::test::Message& m) { return static_cast<LRESULT>(m.wParam * 2); });
    EXPECT_EQ(PostMessage(w.hwnd(), 0x04A8, 42, -7), 1);
    EXPECT_EQ(SendMessage(w.hwnd(), 0x0658, 21, 5), 42);
    auto messages = w.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].msg, 0x04A8u);
    EXPECT_EQ(messages[0].wParam, 42u);
    EXPECT_EQ(messages[0].lParam, -7);
    EXPECT_FALSE(messages[0].sent);
    EXPECT_EQ(messages[1].msg, 0x0658u);
    EXPECT_TRUE(messages[1].sent);
}

TEST(WindowRegistry, EnableWindowReportsThePreviousStateLikeWin32)
{
    MessageQueueWindow w;
    EXPECT_EQ(IsWindowEnabled(w.hwnd()), 1);
    EXPECT_EQ(EnableWindow(w.hwnd(), 0), 0); // was enabled
    EXPECT_EQ(IsWindowEnabled(w.hwnd()), 0);
    EXPECT_EQ(EnableWindow(w.hwnd(), 1), 1); // was disabled
    EXPECT_EQ(IsWindowEnabled(w.hwnd()), 1);
}

TEST(WindowRegistry, ManyThreadsPostAtOnce)
{
    MessageQueueWindow w;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i)
                PostMessage(w.hwnd(), 1, static_cast<WPARAM>(i), 0);
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(w.messages().size(), 4000u);
}
