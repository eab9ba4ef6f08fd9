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
