#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song/EventPool.h"

using namespace cv;

TEST(EventPool, RecordsAcrossBlocksAreZeroedReusedAndReleased) {
  EventPool pool;
  std::vector<PtrMidiEvent> events;
  for (int i = 0; i < 50000; ++i) {  // the first block and more than one large one
    PtrMidiEvent e = pool.NewEvent();
    ASSERT_EQ(e->Position, 0);
    ASSERT_TRUE(e->Meta.empty());
    ASSERT_EQ(e->NextEvent, nullptr);
    e->Position = i;
    if (i % 1000 == 0) e->Meta = std::string(100, 'x');  // owns heap memory
    events.push_back(e);
  }
  EXPECT_EQ(pool.LiveCount(), 50000u);
  EXPECT_GE(pool.ReservedBytes(), 50000 * sizeof(TypMidiEvent));
  for (int i = 0; i < 50000; ++i) ASSERT_EQ(events[i]->Position, i);  // no two records overlap

  pool.FreeEvent(events[1000]);
  PtrMidiEvent again = pool.NewEvent();
  EXPECT_EQ(again, events[1000]);
  EXPECT_TRUE(again->Meta.empty());
  EXPECT_EQ(again->Position, 0);

  pool.Clear();
  EXPECT_EQ(pool.LiveCount(), 0u);
  EXPECT_EQ(pool.ReservedBytes(), 0u);
  EXPECT_EQ(pool.NewEvent()->Position, 0);
}

// A pool told how many records it gets holds a block of just that size first (a copy of a few
// chains); more go on into the usual blocks, and a pool in use keeps its blocks as they are.
TEST(EventPool, AReservedPoolHoldsJustTheRecordsAnnounced) {
  EventPool pool;
  pool.Reserve(100);
  std::vector<PtrMidiEvent> events;
  for (int i = 0; i < 100; ++i) events.push_back(pool.NewEvent());
  EXPECT_EQ(pool.ReservedBytes(), 100 * sizeof(TypMidiEvent));
  pool.Reserve(5);  // too late: nothing changes
  events.push_back(pool.NewEvent());
  EXPECT_GT(pool.ReservedBytes(), 101 * sizeof(TypMidiEvent));
  for (size_t i = 0; i < events.size(); ++i) events[i]->Position = static_cast<int32_t>(i);
  for (size_t i = 0; i < events.size(); ++i) ASSERT_EQ(events[i]->Position, static_cast<int32_t>(i));
  pool.Clear();
  pool.NewEvent();
  EXPECT_GT(pool.ReservedBytes(), 100 * sizeof(TypMidiEvent));  // the usual first block again
}

// Bytes kept while reading lie in the pool (no allocation each) and stay valid as long as it does,
// also when it moves; an edited text owns heap bytes that freeing its record releases; a copied
// record takes bytes of its own and outlives the pool (the sanitizer builds check both).
TEST(EventPool, KeptBytesLiveWithThePoolAndCopiesOutliveIt) {
  TypMidiEvent copy;
  std::vector<std::string> expected;
  {
    EventPool pool;
    std::vector<PtrMidiEvent> events;
    size_t kept = 0;
    for (int i = 0; i < 3000; ++i) {
      // A few SysEx-sized ones among many short texts: several blocks, some of their own; middle
      // sizes larger than the block in use go into a new block large enough for them.
      const std::string head = i % 1000 == 7     ? std::string(200000, static_cast<char>('a' + i % 26))
                               : i % 1000 == 500 ? std::string(20000 + i, static_cast<char>('a' + i % 26))
                                                 : "text " + std::to_string(i);
      const std::string tail = i % 2 ? "\r" : "";
      PtrMidiEvent e = pool.NewEvent();
      e->Meta = pool.KeepBytes(head, tail);
      expected.push_back(head + tail);
      events.push_back(e);
      kept += head.size() + tail.size();
    }
    EXPECT_GE(pool.ReservedBytes(), 3000 * sizeof(TypMidiEvent) + kept);
    EXPECT_EQ(events[1]->Meta, "text 1\r");
    EXPECT_EQ(events[1]->Meta.HeapBytes(), 0u);
    EXPECT_EQ(pool.KeepBytes("").size(), 0u);
    EXPECT_GE(pool.ReservedBytes(), 3000 * sizeof(TypMidiEvent) + 3 * 200000);

    events[2]->Meta = std::string("edited");
    EXPECT_EQ(events[2]->Meta.HeapBytes(), sizeof(uint32_t) + 6);
    pool.FreeEvent(events[2]);
    events[2] = pool.NewEvent();
    expected[2].clear();
    events[4]->Meta.push_back('!');  // grows out of the pool onto the heap
    expected[4] += '!';

    EventPool moved = std::move(pool);
    for (size_t i = 0; i < events.size(); ++i) ASSERT_EQ(events[i]->Meta, expected[i]) << i;
    copy = *events[1007];
  }
  EXPECT_EQ(copy.Meta, expected[1007]);
  EXPECT_GT(copy.Meta.HeapBytes(), 200000u);
}
